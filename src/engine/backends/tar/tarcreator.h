#pragma once

#include "operationresult.h"

class OperationContext;

// Writes a tar archive, compressed or not, from the request's inputs: "tar -cf -" streams into the
// compressor and on into a file in a private folder next to the target, which is moved over the
// target only when complete. Progress is the share of tar's stream written against an estimate from
// the inputs' sizes; the current entry is the input that part of the stream belongs to.
// Runs on the operation's thread.
class TarCreator
{
public:
    explicit TarCreator(OperationContext &context);
    OperationResult create();

private:
    OperationContext &context;
};
