#pragma once

#include "extractiontarget.h"

// Stands in for an entry outside the selection: takes its data and writes nothing.
class SkippedFile : public StagedFile
{
public:
    OperationResult write(const char *, qint64) override { return OperationResult::success(); }
    OperationResult finish() override { return OperationResult::success(); }
    void discard() override {}
};
