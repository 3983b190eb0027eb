#include "libarchivepasswordloop.h"

#include "libarchivereader.h"
#include "operationcontext.h"

LibArchivePasswordLoop::LibArchivePasswordLoop(OperationContext &context)
    : context(context), currentPassphrase(context.request().password.toUtf8())
{
}

OperationResult LibArchivePasswordLoop::run(const Pass &pass)
{
    for (;;) {
        OperationResult result;
        {
            LibArchiveReader reader(context);
            result = reader.open(currentPassphrase);
            if (result.succeeded())
                result = pass(reader);
        }
        if (result.code != ResultCode::PasswordNeeded && result.code != ResultCode::WrongPassword)
            return result;
        QString password;
        const OperationResult asked =
            context.nextPassword(result.entry, result.code == ResultCode::WrongPassword, &password);
        if (!asked.succeeded())
            return asked;
        currentPassphrase = password.toUtf8();
    }
}
