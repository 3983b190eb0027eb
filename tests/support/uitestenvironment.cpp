#include "uitestenvironment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

UiTestEnvironment::UiTestEnvironment()
{
    if (!root.isValid())
        return;
    for (const char *folder :
         {"home/Desktop", "home/.config", "home/.local/share", "home/.cache", "runtime", "tmp", "work"})
        QDir(root.path()).mkpath(QLatin1String(folder));
    // The runtime folder must belong to the user alone, or the toolkit warns and picks its own.
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", QFile::encodeName(homePath()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(homePath() + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(homePath() + QStringLiteral("/.local/share")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(homePath() + QStringLiteral("/.cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath(QStringLiteral("runtime"))));
    qputenv("TMPDIR", QFile::encodeName(temporaryPath()));
    QStandardPaths::setTestModeEnabled(true);
}

QString UiTestEnvironment::homePath() const
{
    return root.filePath(QStringLiteral("home"));
}

QString UiTestEnvironment::desktopPath() const
{
    return homePath() + QStringLiteral("/Desktop");
}

QString UiTestEnvironment::temporaryPath() const
{
    return root.filePath(QStringLiteral("tmp"));
}

QString UiTestEnvironment::workPath() const
{
    return root.filePath(QStringLiteral("work"));
}
