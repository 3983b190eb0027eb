#include "zipinputwalker.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

constexpr quint32 unixRegularFile = 0100000;
constexpr quint32 unixFolder = 0040000;
constexpr quint32 unixSymbolicLink = 0120000;
constexpr quint32 allPermissions = 0777;

quint32 unixPermissions(QFileDevice::Permissions permissions)
{
    const auto bits = quint32(permissions.toInt());
    return (((bits >> 12) & 07) << 6) | (((bits >> 4) & 07) << 3) | (bits & 07);
}

} // namespace

ZipInputWalker::ZipInputWalker(const QString &archivePath, std::function<bool()> cancelled)
    : ownPath(QFileInfo(archivePath).absoluteFilePath()), cancelled(std::move(cancelled))
{
}

OperationResult ZipInputWalker::walk(const QStringList &inputs, QList<ZipInputItem> *items)
{
    // Names below different inputs can only meet at the top: each input's own name.
    QSet<QString> topNames;
    for (const QString &input : inputs) {
        const QString path = QDir::cleanPath(input);
        const QFileInfo info(path);
        if (!info.isSymLink() && !info.exists())
            return OperationResult::pathFailure(ResultCode::InputUnreadable, input);
        if (topNames.contains(info.fileName()))
            return OperationResult::pathFailure(ResultCode::DuplicateEntryName, input);
        topNames.insert(info.fileName());
        const OperationResult walked = walkItem(QFileInfo(info.absoluteFilePath()), info.fileName(), items);
        if (!walked.succeeded())
            return walked;
        if (cancelled())
            return OperationResult::failure(ResultCode::Cancelled);
    }
    return OperationResult::success();
}

OperationResult ZipInputWalker::walkItem(const QFileInfo &info, const QString &name,
                                         QList<ZipInputItem> *items)
{
    const QString path = info.absoluteFilePath();
    // A dangling link has no time of its own to report; libzip then stamps the current time.
    const QDateTime lastModified = info.lastModified();
    const qint64 modified = lastModified.isValid() ? lastModified.toSecsSinceEpoch() : -1;
    const quint32 permissions = unixPermissions(info.permissions());
    if (info.isSymLink() && !info.isFile()) {
        items->append({path, name, ZipInputItem::Kind::Link, 0, unixSymbolicLink | allPermissions, modified});
        return OperationResult::success();
    }
    if (info.isFile()) {
        // libzip opens files only while writing the archive, when its error no longer says which.
        if (!info.isReadable())
            return OperationResult::pathFailure(ResultCode::InputUnreadable, path);
        items->append(
            {path, name, ZipInputItem::Kind::File, info.size(), unixRegularFile | permissions, modified});
        return OperationResult::success();
    }
    if (!info.isDir())
        return OperationResult::success();
    if (!info.isReadable() || !info.isExecutable())
        return OperationResult::pathFailure(ResultCode::InputUnreadable, path);
    // The file system root has no name of its own to store.
    const QString prefix = name.isEmpty() ? QString() : name + QLatin1Char('/');
    if (!name.isEmpty())
        items->append({path, prefix, ZipInputItem::Kind::Folder, 0, unixFolder | permissions, modified});
    const QFileInfoList children = QDir(path).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &child : children) {
        // The archive being replaced may sit inside a selected folder.
        if (child.absoluteFilePath() == ownPath)
            continue;
        const OperationResult walked = walkItem(child, prefix + child.fileName(), items);
        if (!walked.succeeded())
            return walked;
    }
    return OperationResult::success();
}
