// The pipeline on Windows, by plain paths: the same checks, staging, questions and rollback as on
// POSIX, without descriptors (so without the protection against links swapped in while it runs).
// Links from in-process readers are checked but not made (making them needs a privilege users rarely
// have); folder times are not restored.

#include "extractiontarget.h"

#include "extractionselection.h"
#include "keepbothname.h"
#include "operationcontext.h"
#include "skippedfile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>

namespace {

constexpr QDir::Filters everyEntry = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
constexpr int keepBothAttempts = 10000;

QString joined(const QString &folder, const QString &name)
{
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

bool existsOrIsLink(const QFileInfo &info)
{
    return info.exists() || info.isSymLink();
}

bool isRealFolder(const QFileInfo &info)
{
    return info.isDir() && !info.isSymLink();
}

QFileDevice::Permissions permissionsFrom(quint32 mode)
{
    QFileDevice::Permissions permissions;
    if (mode & 0400)
        permissions |= QFileDevice::ReadOwner | QFileDevice::ReadUser;
    if (mode & 0200)
        permissions |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
    if (mode & 0100)
        permissions |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    return permissions;
}

class PathStagedFile : public StagedFile
{
public:
    PathStagedFile(const QString &path, const EntryMetadata &metadata) : file(path), metadata(metadata) {}
    ~PathStagedFile() override
    {
        if (!done)
            discard();
    }
    bool open() { return file.open(QIODevice::WriteOnly | QIODevice::NewOnly); }

    OperationResult write(const char *data, qint64 size) override
    {
        if (file.write(data, size) == size)
            return OperationResult::success();
        const ResultCode code =
            file.error() == QFileDevice::ResourceError ? ResultCode::DiskFull : ResultCode::WriteFailed;
        return OperationResult::pathFailure(code, file.fileName(), file.errorString());
    }
    OperationResult finish() override
    {
        done = true;
        if (metadata.modified >= 0)
            file.setFileTime(QDateTime::fromSecsSinceEpoch(metadata.modified, QTimeZone::utc()),
                             QFileDevice::FileModificationTime);
        file.close();
        if (file.error() != QFileDevice::NoError)
            return OperationResult::pathFailure(ResultCode::WriteFailed, file.fileName(), file.errorString());
        if (metadata.permissions != 0)
            file.setPermissions(permissionsFrom(metadata.permissions));
        return OperationResult::success();
    }
    void discard() override
    {
        done = true;
        file.close();
        file.remove();
    }

private:
    QFile file;
    EntryMetadata metadata;
    bool done = false;
};

} // namespace

class ExtractionTarget::Private
{
public:
    Private(OperationContext &context, const QString &destinationPath)
        : context(context), destinationPath(QDir::cleanPath(destinationPath))
    {
    }

    QString contentPath() const { return privateFolder->path() + QStringLiteral("/content"); }

    OperationResult placed(const QString &entryName, QString *path, bool *selected) const
    {
        QString relative;
        OperationResult result = checkEntryName(entryName, &relative);
        if (result.succeeded())
            *selected = selection.place(relative, path);
        return result;
    }

    // Moves that clobber nothing, journalled for the rollback.
    bool move(const QString &from, const QString &to)
    {
        if (existsOrIsLink(QFileInfo(to)) || !QDir().rename(from, to))
            return false;
        journal.append({from, to});
        return true;
    }

    void rollBack()
    {
        for (auto move = journal.crbegin(); move != journal.crend(); ++move)
            QDir().rename(move->second, move->first);
        journal.clear();
    }

    OperationResult takeSelected(const QString &folder, const QString &relative, bool insideSelected)
    {
        for (const QFileInfo &item : QDir(folder).entryInfoList(everyEntry)) {
            QString entryPath;
            if (!checkEntryName(joined(relative, item.fileName()), &entryPath).succeeded())
                continue;
            QString placedPath;
            const bool selected = selection.place(entryPath, &placedPath);
            if (isRealFolder(item) && selection.holdsSelectedBelow(entryPath)) {
                OperationResult result = takeSelected(item.filePath(), entryPath, insideSelected || selected);
                if (!result.succeeded())
                    return result;
            }
            if (!selected || insideSelected)
                continue;
            const QString target = commitRoot + QLatin1Char('/') + placedPath;
            if (!QDir().mkpath(QFileInfo(target).path()) || !QDir().rename(item.filePath(), target))
                return OperationResult::pathFailure(ResultCode::CreateFailed, destinationPath);
        }
        return OperationResult::success();
    }

    OperationResult place(const QString &stagedFolder, const QString &destinationFolder,
                          const QString &relative)
    {
        for (const QFileInfo &item : QDir(stagedFolder).entryInfoList(everyEntry)) {
            if (context.isCancelled())
                return OperationResult::failure(ResultCode::Cancelled);
            const QString name = item.fileName();
            if (relative.isEmpty() && name == QFileInfo(privateFolder->path()).fileName())
                return OperationResult::entryFailure(ResultCode::UnsafeEntry, name);
            const QString entry = joined(entryPrefix, joined(relative, name));
            const QString target = destinationFolder + QLatin1Char('/') + name;
            const QFileInfo existing(target);
            context.setCurrentEntry(entry);
            context.publish();
            if (!existsOrIsLink(existing)) {
                if (!move(item.filePath(), target))
                    return OperationResult::pathFailure(ResultCode::CreateFailed, target);
                continue;
            }
            if (isRealFolder(item) && isRealFolder(existing)) {
                OperationResult result = place(item.filePath(), target, joined(relative, name));
                if (!result.succeeded())
                    return result;
                continue;
            }
            OperationResult result = resolveClash(item, existing, entry);
            if (!result.succeeded())
                return result;
        }
        return OperationResult::success();
    }

    OperationResult resolveClash(const QFileInfo &item, const QFileInfo &existing, const QString &entry)
    {
        const auto describe = [](const QFileInfo &info) {
            ItemDescription description;
            description.isFolder = isRealFolder(info);
            description.isLink = info.isSymLink();
            description.size = info.isFile() ? info.size() : 0;
            description.modified = info.lastModified();
            return description;
        };
        ReplaceQuestion question;
        question.existingPath = existing.filePath();
        question.existing = describe(existing);
        question.entry = entry;
        question.incoming = describe(item);
        question.canReplace = !isRealFolder(existing) || QDir(existing.filePath()).isEmpty();
        ReplaceChoice choice = context.resolveReplace(question).choice;
        if (choice == ReplaceChoice::Replace && !question.canReplace)
            choice = ReplaceChoice::KeepBoth;
        switch (choice) {
        case ReplaceChoice::Skip:
            return OperationResult::success();
        case ReplaceChoice::Cancel:
            return context.replaceDeclined(question.existingPath);
        case ReplaceChoice::Replace: {
            const QString aside = privateFolder->path() + QStringLiteral("/aside");
            const QString kept = aside + QLatin1Char('/') + QString::number(journal.size());
            if (!QDir().mkpath(aside) || !move(existing.filePath(), kept) ||
                !move(item.filePath(), existing.filePath()))
                return OperationResult::pathFailure(ResultCode::CreateFailed, existing.filePath());
            return OperationResult::success();
        }
        case ReplaceChoice::KeepBoth:
            for (int number = 2; number < keepBothAttempts; ++number) {
                const QString candidate = QString::fromUtf8(
                    KeepBothName::candidate(item.fileName().toUtf8(), number, isRealFolder(item)));
                if (move(item.filePath(), existing.path() + QLatin1Char('/') + candidate))
                    return OperationResult::success();
            }
            return OperationResult::pathFailure(ResultCode::DestinationExists, existing.filePath());
        }
        return OperationResult::failure(ResultCode::Cancelled);
    }

    OperationContext &context;
    QString destinationPath;
    ExtractionSelection selection;
    QStringList madeFolders;
    std::unique_ptr<QTemporaryDir> privateFolder;
    QString commitRoot;
    QString entryPrefix;
    QList<QPair<QString, QString>> journal;
    bool committed = false;
};

ExtractionTarget::ExtractionTarget(OperationContext &context, const QString &destinationPath)
    : d(new Private(context, destinationPath))
{
}

ExtractionTarget::~ExtractionTarget()
{
    if (!d->committed)
        d->rollBack();
    // QTemporaryDir removes the staging folder, read-only files included.
    d->privateFolder.reset();
    if (!d->committed) {
        for (const QString &folder : std::as_const(d->madeFolders))
            QDir().rmdir(folder);
    }
}

OperationResult ExtractionTarget::open()
{
    if (d->privateFolder)
        return OperationResult::success();
    for (QString folder = d->destinationPath; !folder.isEmpty(); folder = QFileInfo(folder).path()) {
        if (existsOrIsLink(QFileInfo(folder)))
            break;
        d->madeFolders.append(folder);
    }
    if (!QDir().mkpath(d->destinationPath))
        return OperationResult::pathFailure(ResultCode::CreateFailed, d->destinationPath);
    auto privateFolder =
        std::make_unique<QTemporaryDir>(d->destinationPath + QStringLiteral("/.kelvane-extract-XXXXXX"));
    if (!privateFolder->isValid() || !QDir().mkpath(privateFolder->path() + QStringLiteral("/content")))
        return OperationResult::pathFailure(ResultCode::TemporaryFileFailed, d->destinationPath,
                                            privateFolder->errorString());
    d->privateFolder = std::move(privateFolder);
    d->commitRoot = d->contentPath();
    return OperationResult::success();
}

QString ExtractionTarget::destinationPath() const
{
    return d->destinationPath;
}

void ExtractionTarget::setSelection(const QStringList &entryNames)
{
    d->selection.setNames(entryNames);
    d->entryPrefix = d->selection.commonFolder();
}

bool ExtractionTarget::isSelected(const QString &entryName) const
{
    QString path;
    bool selected = false;
    return !d->placed(entryName, &path, &selected).succeeded() || selected;
}

QStringList ExtractionTarget::unmatchedSelection() const
{
    return d->selection.unmatched();
}

QString ExtractionTarget::stagingPath() const
{
    return d->privateFolder && !d->committed ? d->contentPath() : QString();
}

OperationResult ExtractionTarget::adoptStagedTree()
{
    if (!d->privateFolder)
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    if (!d->selection.isEmpty()) {
        d->commitRoot = d->privateFolder->path() + QStringLiteral("/selected");
        if (!QDir().mkpath(d->commitRoot))
            return OperationResult::pathFailure(ResultCode::TemporaryFileFailed, d->destinationPath);
        OperationResult result = d->takeSelected(d->contentPath(), QString(), false);
        if (!result.succeeded())
            return result;
    }
    // A link must resolve, where it was unpacked, to a place inside the unpacked tree.
    const QString root = QFileInfo(d->commitRoot).canonicalFilePath() + QLatin1Char('/');
    QDirIterator it(d->commitRoot, everyEntry, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (d->context.isCancelled())
            return OperationResult::failure(ResultCode::Cancelled);
        it.next();
        if (!it.fileInfo().isSymLink())
            continue;
        const QString target = QDir::cleanPath(it.fileInfo().symLinkTarget());
        if (!target.startsWith(root, Qt::CaseInsensitive))
            return OperationResult::entryFailure(
                ResultCode::UnsafeEntry,
                joined(d->entryPrefix, QDir(d->commitRoot).relativeFilePath(it.filePath())));
    }
    return OperationResult::success();
}

OperationResult ExtractionTarget::createFolder(const QString &entryName, const EntryMetadata &)
{
    QString path;
    bool selected = false;
    OperationResult result = d->placed(entryName, &path, &selected);
    if (!result.succeeded() || !selected)
        return result;
    const QFileInfo existing(d->contentPath() + QLatin1Char('/') + path);
    if (existsOrIsLink(existing) && !isRealFolder(existing))
        return OperationResult::entryFailure(ResultCode::UnsafeEntry, entryName);
    if (!QDir().mkpath(existing.filePath()))
        return OperationResult::pathFailure(ResultCode::CreateFailed,
                                            d->destinationPath + QLatin1Char('/') + path);
    return OperationResult::success();
}

OperationResult ExtractionTarget::createFile(const QString &entryName, const EntryMetadata &metadata,
                                             std::unique_ptr<StagedFile> *file)
{
    QString path;
    bool selected = false;
    OperationResult result = d->placed(entryName, &path, &selected);
    if (!result.succeeded())
        return result;
    if (!selected) {
        *file = std::make_unique<SkippedFile>();
        return result;
    }
    const QFileInfo staged(d->contentPath() + QLatin1Char('/') + path);
    if (isRealFolder(staged))
        return OperationResult::entryFailure(ResultCode::UnsafeEntry, entryName);
    const QFileInfo parent(staged.path());
    if (existsOrIsLink(parent) && !isRealFolder(parent))
        return OperationResult::entryFailure(ResultCode::UnsafeEntry, entryName);
    // The later of two entries on one path wins.
    QFile::remove(staged.filePath());
    auto written = std::make_unique<PathStagedFile>(staged.filePath(), metadata);
    if (!QDir().mkpath(staged.path()) || !written->open())
        return OperationResult::pathFailure(ResultCode::CreateFailed,
                                            d->destinationPath + QLatin1Char('/') + path);
    *file = std::move(written);
    return OperationResult::success();
}

OperationResult ExtractionTarget::addLink(const QString &entryName, const QByteArray &target)
{
    QString path;
    bool selected = false;
    OperationResult result = d->placed(entryName, &path, &selected);
    if (!result.succeeded() || !selected)
        return result;
    if (target.isEmpty() || target.contains('\0') || target.startsWith('/') || target.startsWith('\\') ||
        (target.size() > 1 && target.at(1) == ':'))
        return OperationResult::entryFailure(ResultCode::UnsafeEntry, entryName);
    return OperationResult::success();
}

OperationResult ExtractionTarget::finishStaging()
{
    return d->privateFolder ? OperationResult::success()
                            : OperationResult::failure(ResultCode::TemporaryFileFailed);
}

OperationResult ExtractionTarget::discardStaged()
{
    if (!d->privateFolder || d->committed)
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    d->selection.forgetMatches();
    d->commitRoot = d->contentPath();
    const QString selected = d->privateFolder->path() + QStringLiteral("/selected");
    if (!QDir(d->contentPath()).removeRecursively() || !QDir(selected).removeRecursively() ||
        !QDir().mkpath(d->contentPath()))
        return OperationResult::pathFailure(ResultCode::TemporaryFileFailed, d->destinationPath);
    return OperationResult::success();
}

OperationResult ExtractionTarget::commit()
{
    if (d->committed)
        return OperationResult::success();
    if (!d->privateFolder)
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    const OperationResult result = d->place(d->commitRoot, d->destinationPath, QString());
    if (!result.succeeded()) {
        d->rollBack();
        return result;
    }
    d->committed = true;
    d->journal.clear();
    d->privateFolder.reset();
    return result;
}
