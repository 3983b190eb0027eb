#include "extractionstaging.h"

#include "archiveentryname.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr QDir::Filters everyEntry = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

QString stagingTemplate(const QString &destinationPath)
{
    QDir().mkpath(destinationPath);
    return QDir(destinationPath).filePath(QStringLiteral(".kelvane-extract-XXXXXX"));
}

QString rawLinkTarget(const QString &path)
{
#ifdef Q_OS_UNIX
    QByteArray target(4096, Qt::Uninitialized);
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target.data(), target.size());
    return length < 0 ? QString() : QFile::decodeName(target.left(length));
#else
    return QFileInfo(path).symLinkTarget();
#endif
}

bool isRealFolder(const QFileInfo &info)
{
    return info.isDir() && !info.isSymLink();
}

bool moveInto(const QString &from, const QString &to, QString *failedPath)
{
    // Children are moved out of a staged folder, which the archive may have made read-only.
    QFile::setPermissions(from,
                          QFileInfo(from).permissions() | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QFileInfoList items = QDir(from).entryInfoList(everyEntry);
    for (const QFileInfo &item : items) {
        const QString target = QDir(to).filePath(item.fileName());
        const QFileInfo existing(target);
        if (isRealFolder(item) && isRealFolder(existing)) {
            if (!moveInto(item.filePath(), target, failedPath))
                return false;
            continue;
        }
        // rename replaces a file or link in one step, and refuses to put anything over a folder
        // or a folder over a file: the user's folders are never removed to make room.
        if (std::rename(QFile::encodeName(item.filePath()).constData(),
                        QFile::encodeName(target).constData()) != 0) {
            *failedPath = target;
            return false;
        }
    }
    return true;
}

} // namespace

ExtractionStaging::ExtractionStaging(const QString &destinationPath)
    : destination(QDir::cleanPath(destinationPath)), staging(stagingTemplate(destinationPath))
{
}

bool ExtractionStaging::isValid() const
{
    return staging.isValid();
}

QString ExtractionStaging::path() const
{
    return staging.path();
}

QString ExtractionStaging::firstEscapingLink() const
{
    const QDir root(staging.path());
    QDirIterator it(staging.path(), everyEntry, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!it.fileInfo().isSymLink())
            continue;
        const QString name = root.relativeFilePath(path);
        if (!ArchiveEntryName::isContainedLinkTarget(name, rawLinkTarget(path)))
            return name;
    }
    return QString();
}

bool ExtractionStaging::commit(QString *failedPath)
{
    return moveInto(staging.path(), destination, failedPath);
}
