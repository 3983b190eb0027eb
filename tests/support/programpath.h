#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A private folder of programs put on PATH for the lifetime of the object: first, before the system's
// folders, or alone. Scripts stand in for programs that misbehave; links to the real programs make a
// PATH that lacks some of them.
class ProgramPath
{
public:
    enum Placement { BeforeSystem, Alone };

    explicit ProgramPath(Placement placement = BeforeSystem);
    ~ProgramPath();
    ProgramPath(const ProgramPath &) = delete;
    ProgramPath &operator=(const ProgramPath &) = delete;

    // A /bin/sh script named name running body.
    bool addScript(const QString &name, const QByteArray &body);
    // A link to the real program name, as found on the PATH before this object changed it.
    bool linkRealProgram(const QString &name);
    QString filePath(const QString &name) const { return bin.filePath(name); }

private:
    QTemporaryDir bin;
    QByteArray savedPath;
};
