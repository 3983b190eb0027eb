#pragma once

#include "operationresult.h"
#include "zipparallelreader.h"

#include <QByteArray>

class OperationContext;

// Finds the password of an archive before any worker starts, so no worker ever meets a wrong one:
// reads the first encrypted entry on the operation's thread with the request's password, and while
// there is none or it is refused, takes the next from OperationContext::nextPassword (asking again,
// or PasswordNeeded / WrongPassword / Cancelled). AES refuses a wrong password when the entry is
// opened; traditional PKWARE encryption checks only one byte there, so a checksum or data failure of
// such an entry read with a password counts as a refused password as well. Used on the operation's
// thread.
class ZipPasswordProbe
{
public:
    ZipPasswordProbe(OperationContext &context, zip_t *archive);

    // Reads entry completely into the output that open makes for each try (a refused try discards
    // it). On success *password holds the password that opened it.
    OperationResult settle(const ZipCatalogueEntry &entry, const ZipParallelReader::OutputFactory &open,
                           QByteArray *password);

private:
    OperationContext &context;
    zip_t *archive;
};
