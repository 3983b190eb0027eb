#include "operationresult.h"

#include <cerrno>
#include <cstring>

OperationResult OperationResult::failure(ResultCode code, const QString &entry, const QString &path,
                                         const QString &detail)
{
    OperationResult result;
    result.code = code;
    result.entry = entry;
    result.path = path;
    result.detail = detail;
    return result;
}

OperationResult OperationResult::entryFailure(ResultCode code, const QString &entry, const QString &detail)
{
    return failure(code, entry, QString(), detail);
}

OperationResult OperationResult::pathFailure(ResultCode code, const QString &path, const QString &detail)
{
    return failure(code, QString(), path, detail);
}

OperationResult OperationResult::systemFailure(ResultCode code, const QString &path, int errorNumber)
{
    const bool full = errorNumber == ENOSPC
#ifdef EDQUOT
                      || errorNumber == EDQUOT
#endif
        ;
    return pathFailure(full ? ResultCode::DiskFull : code, path,
                       QString::fromLocal8Bit(std::strerror(errorNumber)));
}
