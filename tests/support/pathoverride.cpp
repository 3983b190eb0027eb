#include "pathoverride.h"

#include "testtree.h"

#include <QFile>
#include <QStandardPaths>

PathOverride::PathOverride(bool keepSystemPath) : savedPath(qgetenv("PATH"))
{
    QByteArray path = QFile::encodeName(bin.path());
    if (keepSystemPath)
        path += ':' + savedPath;
    qputenv("PATH", path);
}

PathOverride::~PathOverride()
{
    qputenv("PATH", savedPath);
}

bool PathOverride::addScript(const QString &name, const QByteArray &body)
{
    const QString path = bin.filePath(name);
    return TestTree::writeFile(path, "#!/bin/sh\n" + body + '\n') &&
           QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
}

bool PathOverride::linkRealProgram(const QString &name)
{
    const QString program =
        QStandardPaths::findExecutable(name, {QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
    return !program.isEmpty() && QFile::link(program, bin.filePath(name));
}
