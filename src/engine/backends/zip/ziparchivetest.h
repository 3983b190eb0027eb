#pragma once

#include "operationresult.h"

class OperationContext;

// Reads every entry of the archive completely, checksums and decryption included, and writes
// nothing: the result names the first entry in archive order that fails. Asks for a password like
// extraction does. Used on the operation's thread.
class ZipArchiveTest
{
public:
    explicit ZipArchiveTest(OperationContext &context);
    OperationResult run();

private:
    OperationContext &context;
};
