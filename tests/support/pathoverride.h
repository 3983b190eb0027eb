#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Programs of a test's own first on PATH, or instead of it, for the lifetime of the object: stand-ins
// for failures a real tool cannot easily give, or a PATH on which a tool is missing.
class PathOverride
{
public:
    // keepSystemPath: the folder comes before the system's PATH; otherwise it is all of PATH.
    explicit PathOverride(bool keepSystemPath = true);
    ~PathOverride();
    PathOverride(const PathOverride &) = delete;
    PathOverride &operator=(const PathOverride &) = delete;

    // A shell script named name, run by /bin/sh.
    bool addScript(const QString &name, const QByteArray &body);
    // The real program of that name from /usr/bin or /bin.
    bool linkRealProgram(const QString &name);
    QString filePath(const QString &name) const { return bin.filePath(name); }

private:
    QTemporaryDir bin;
    QByteArray savedPath;
};
