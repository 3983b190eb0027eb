#pragma once

#include "operationresult.h"

#include <QByteArray>

#include <functional>

class LibArchiveReader;
class OperationContext;

// Runs passes over an archive until one ends without a password failure: a pass that meets an
// entry the format can decrypt but the passphrase tried does not open (or none was given) ends with
// PasswordNeeded or WrongPassword, and the next password comes from OperationContext::nextPassword.
// Formats that cannot decrypt never get there, so nobody is asked for a password in vain. Used on
// the operation's thread.
class LibArchivePasswordLoop
{
public:
    using Pass = std::function<OperationResult(LibArchiveReader &reader)>;

    explicit LibArchivePasswordLoop(OperationContext &context);
    // Opens a reader for each pass and hands it to pass; the result of the last pass.
    OperationResult run(const Pass &pass);
    // The passphrase the last pass read with (the request's until another was asked for).
    QByteArray passphrase() const { return currentPassphrase; }

private:
    OperationContext &context;
    QByteArray currentPassphrase;
};
