#pragma once

#include "operationresult.h"

#include <QCoreApplication>
#include <QString>

// The one sentence a user reads for a result, translated in the context "CompressionHandler" with
// the catalogue installed at the moment of the call. Empty for success.
class ResultMessage
{
    Q_DECLARE_TR_FUNCTIONS(CompressionHandler)

public:
    static QString text(const OperationResult &result);
};
