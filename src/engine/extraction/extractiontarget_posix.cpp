#include "extractiontarget.h"

#include "extractionselection.h"
#include "filedescriptor.h"
#include "nofollow.h"
#include "operationcontext.h"
#include "skippedfile.h"
#include "stagedlinkcheck.h"
#include "stagedselection.h"
#include "stagedtreecheck.h"
#include "stagingwriter.h"
#include "treecommit.h"
#include "treeremover.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

const QByteArray contentName = QByteArrayLiteral("content");
const QByteArray selectedName = QByteArrayLiteral("selected");
constexpr int privateNameAttempts = 100;

QByteArray randomPrivateName()
{
    static const char characters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = QByteArrayLiteral(".kelvane-extract-");
    for (int i = 0; i < 6; ++i)
        name += characters[QRandomGenerator::system()->bounded(int(sizeof(characters) - 1))];
    return name;
}

// The folders of path that do not exist yet, innermost first.
QStringList missingFolders(const QString &path)
{
    QStringList missing;
    for (QString folder = path; !folder.isEmpty(); folder = QFileInfo(folder).path()) {
        const QFileInfo info(folder);
        if (info.exists() || info.isSymLink())
            break;
        missing.append(folder);
    }
    return missing;
}

} // namespace

class ExtractionTarget::Private
{
public:
    Private(OperationContext &context, const QString &destinationPath)
        : context(context), destinationPath(QDir::cleanPath(destinationPath))
    {
    }

    OperationResult makeFolder(const QByteArray &name, FileDescriptor *folder)
    {
        if (::mkdirat(privateFolder.get(), name.constData(), 0700) != 0 && errno != EEXIST)
            return OperationResult::systemFailure(ResultCode::TemporaryFileFailed, destinationPath, errno);
        *folder = NoFollow::openFolder(privateFolder.get(), name);
        if (!folder->isValid())
            return OperationResult::systemFailure(ResultCode::TemporaryFileFailed, destinationPath, errno);
        return OperationResult::success();
    }

    // The entry's path below the staging root, or false when the selection leaves it out.
    OperationResult placed(const QString &entryName, QString *path, bool *selected) const
    {
        QString relative;
        OperationResult result = checkEntryName(entryName, &relative);
        if (result.succeeded())
            *selected = selection.place(relative, path);
        return result;
    }

    void cleanUp()
    {
        if (placement && !committed)
            placement->rollBack();
        placement.reset();
        writer.reset();
        content.reset();
        privateFolder.reset();
        if (destination.isValid() && !privateName.isEmpty())
            TreeRemover::remove(destination.get(), privateName);
        if (destination.isValid() && !committed)
            ::futimens(destination.get(), destinationTimes);
        destination.reset();
        if (!committed) {
            // Only folders this extraction made, and only while they are empty.
            for (const QString &folder : std::as_const(madeFolders))
                QDir().rmdir(folder);
        }
        madeFolders.clear();
    }

    OperationContext &context;
    QString destinationPath;
    ExtractionSelection selection;
    QStringList madeFolders;
    FileDescriptor destination;
    timespec destinationTimes[2] = {};
    QByteArray privateName;
    FileDescriptor privateFolder;
    FileDescriptor content;
    // The folder in the private one that commit() places: content, or the selected part of it.
    QByteArray commitRoot = contentName;
    std::unique_ptr<StagingWriter> writer;
    std::unique_ptr<TreeCommit> placement;
    bool committed = false;
};

ExtractionTarget::ExtractionTarget(OperationContext &context, const QString &destinationPath)
    : d(new Private(context, destinationPath))
{
}

ExtractionTarget::~ExtractionTarget()
{
    d->cleanUp();
}

OperationResult ExtractionTarget::open()
{
    if (d->destination.isValid())
        return OperationResult::success();
    d->madeFolders = missingFolders(d->destinationPath);
    if (!QDir().mkpath(d->destinationPath))
        return OperationResult::pathFailure(ResultCode::CreateFailed, d->destinationPath);
    d->destination.reset(
        ::open(QFile::encodeName(d->destinationPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info;
    if (!d->destination.isValid() || ::fstat(d->destination.get(), &info) != 0)
        return OperationResult::systemFailure(ResultCode::CreateFailed, d->destinationPath, errno);
    d->destinationTimes[0] = info.st_atim;
    d->destinationTimes[1] = info.st_mtim;

    for (int attempt = 0; attempt < privateNameAttempts && d->privateName.isEmpty(); ++attempt) {
        const QByteArray name = randomPrivateName();
        if (::mkdirat(d->destination.get(), name.constData(), 0700) == 0)
            d->privateName = name;
        else if (errno != EEXIST)
            return OperationResult::systemFailure(ResultCode::TemporaryFileFailed, d->destinationPath, errno);
    }
    if (d->privateName.isEmpty())
        return OperationResult::pathFailure(ResultCode::TemporaryFileFailed, d->destinationPath);
    d->privateFolder = NoFollow::openFolder(d->destination.get(), d->privateName);
    if (!d->privateFolder.isValid())
        return OperationResult::systemFailure(ResultCode::TemporaryFileFailed, d->destinationPath, errno);
    OperationResult result = d->makeFolder(contentName, &d->content);
    if (result.succeeded())
        d->writer = std::make_unique<StagingWriter>(d->content.get(), d->destinationPath);
    return result;
}

QString ExtractionTarget::destinationPath() const
{
    return d->destinationPath;
}

void ExtractionTarget::setSelection(const QStringList &entryNames)
{
    d->selection.setNames(entryNames);
}

bool ExtractionTarget::isSelected(const QString &entryName) const
{
    QString path;
    bool selected = false;
    // A name that fails the check counts as selected, so the reader goes on and reports it.
    return !d->placed(entryName, &path, &selected).succeeded() || selected;
}

QStringList ExtractionTarget::unmatchedSelection() const
{
    return d->selection.unmatched();
}

QString ExtractionTarget::stagingPath() const
{
    if (d->privateName.isEmpty())
        return QString();
    return d->destinationPath + QLatin1Char('/') + QFile::decodeName(d->privateName) + QLatin1Char('/') +
           QFile::decodeName(contentName);
}

OperationResult ExtractionTarget::adoptStagedTree()
{
    if (!d->content.isValid())
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    FileDescriptor root;
    if (d->selection.isEmpty()) {
        root = NoFollow::openFolder(d->privateFolder.get(), contentName);
    } else {
        OperationResult result = d->makeFolder(selectedName, &root);
        if (result.succeeded())
            result = StagedSelection::apply(d->selection, d->content.get(), root.get(),
                                            d->context.request().legacyNameLanguage, d->destinationPath);
        if (!result.succeeded())
            return result;
        d->commitRoot = selectedName;
    }
    if (!root.isValid())
        return OperationResult::systemFailure(ResultCode::TemporaryFileFailed, d->destinationPath, errno);
    const OperationResult linked =
        StagedTreeCheck::checkHardLinks(d->context, d->privateFolder.get(), d->destinationPath);
    if (!linked.succeeded())
        return linked;
    const StagedLinkCheck links(root.get(), d->destination.get(), d->privateName, nullptr);
    return StagedTreeCheck::run(d->context, root.get(), links, d->selection.commonFolder(),
                                d->destinationPath);
}

OperationResult ExtractionTarget::createFolder(const QString &entryName, const EntryMetadata &metadata)
{
    QString path;
    bool selected = false;
    OperationResult result = d->placed(entryName, &path, &selected);
    if (!result.succeeded() || !selected)
        return result;
    if (!d->writer)
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    return d->writer->createFolder(entryName, path, metadata);
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
    if (!d->writer)
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    return d->writer->createFile(entryName, path, metadata, file);
}

OperationResult ExtractionTarget::addLink(const QString &entryName, const QByteArray &target)
{
    QString path;
    bool selected = false;
    OperationResult result = d->placed(entryName, &path, &selected);
    if (!result.succeeded() || !selected)
        return result;
    if (!d->writer)
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    return d->writer->addLink(entryName, path, target);
}

OperationResult ExtractionTarget::finishStaging()
{
    if (!d->writer)
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    const StagedLinkCheck links(d->content.get(), d->destination.get(), d->privateName, d->writer.get());
    return d->writer->finish([&links](const QList<QByteArray> &folder, const QByteArray &target) {
        return links.staysInside(folder, target);
    });
}

OperationResult ExtractionTarget::discardStaged()
{
    if (!d->privateFolder.isValid() || d->committed)
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    d->writer.reset();
    d->content.reset();
    d->commitRoot = contentName;
    d->selection.forgetMatches();
    if (!TreeRemover::remove(d->privateFolder.get(), contentName) ||
        !TreeRemover::remove(d->privateFolder.get(), selectedName))
        return OperationResult::pathFailure(ResultCode::TemporaryFileFailed, d->destinationPath);
    OperationResult result = d->makeFolder(contentName, &d->content);
    if (result.succeeded())
        d->writer = std::make_unique<StagingWriter>(d->content.get(), d->destinationPath);
    return result;
}

OperationResult ExtractionTarget::commit()
{
    if (d->committed)
        return OperationResult::success();
    if (!d->privateFolder.isValid())
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    if (d->writer && d->writer->hasPendingWork()) {
        OperationResult finished = finishStaging();
        if (!finished.succeeded())
            return finished;
    }
    const FileDescriptor root = NoFollow::openFolder(d->privateFolder.get(), d->commitRoot);
    if (!root.isValid())
        return OperationResult::systemFailure(ResultCode::TemporaryFileFailed, d->destinationPath, errno);
    TreeCommit::Places places;
    places.stagedRoot = root.get();
    places.destinationRoot = d->destination.get();
    places.privateFolder = d->privateFolder.get();
    places.privateName = d->privateName;
    places.destinationPath = d->destinationPath;
    places.entryPrefix = d->selection.commonFolder();
    places.language = d->context.request().legacyNameLanguage;
    d->placement = std::make_unique<TreeCommit>(d->context, places);
    const OperationResult result = d->placement->run();
    if (!result.succeeded())
        return result;
    d->committed = true;
    d->placement.reset();
    d->writer.reset();
    d->content.reset();
    d->privateFolder.reset();
    TreeRemover::remove(d->destination.get(), d->privateName);
    d->privateName.clear();
    return result;
}
