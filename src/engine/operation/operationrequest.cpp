#include "operationrequest.h"

OperationRequest OperationRequest::create(const QString &formatName, const QStringList &inputs,
                                          const QString &archivePath, const QString &password)
{
    OperationRequest request;
    request.kind = OperationKind::Create;
    request.formatName = formatName;
    request.inputs = inputs;
    request.archivePath = archivePath;
    request.password = password;
    return request;
}

OperationRequest OperationRequest::extract(const QString &archivePath, const QString &destinationPath,
                                           const QString &password)
{
    OperationRequest request;
    request.kind = OperationKind::Extract;
    request.archivePath = archivePath;
    request.destinationPath = destinationPath;
    request.password = password;
    return request;
}

OperationRequest OperationRequest::list(const QString &archivePath, const QString &password)
{
    OperationRequest request;
    request.kind = OperationKind::List;
    request.archivePath = archivePath;
    request.password = password;
    return request;
}

OperationRequest OperationRequest::test(const QString &archivePath, const QString &password)
{
    OperationRequest request;
    request.kind = OperationKind::Test;
    request.archivePath = archivePath;
    request.password = password;
    return request;
}
