#include "programpath.h"

#include "testtree.h"

#include <QFile>
#include <QStandardPaths>

ProgramPath::ProgramPath(Placement placement) : savedPath(qgetenv("PATH"))
{
    QByteArray path = QFile::encodeName(bin.path());
    if (placement == BeforeSystem)
        path += ':' + savedPath;
    qputenv("PATH", path);
}

ProgramPath::~ProgramPath()
{
    qputenv("PATH", savedPath);
}

bool ProgramPath::addScript(const QString &name, const QByteArray &body)
{
    const QString path = bin.filePath(name);
    return TestTree::writeFile(path, "#!/bin/sh\n" + body + '\n') &&
           QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
}

bool ProgramPath::linkRealProgram(const QString &name)
{
    const QString real =
        QStandardPaths::findExecutable(name, QString::fromLocal8Bit(savedPath).split(QLatin1Char(':')));
    return !real.isEmpty() && QFile::link(real, bin.filePath(name));
}
