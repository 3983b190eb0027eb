#include "batchrunner.h"

#include "archivecommands.h"
#include "archiveformat.h"
#include "archiveoperationrunner.h"
#include "interruptwatcher.h"
#include "operationrequest.h"
#include "resultmessage.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>

#include <cstdio>

namespace {

bool taken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The archive's name without the longest ending its format is known by.
QString stemOf(const QString &fileName)
{
    const FormatInfo &format = FormatRegistry::info(FormatRegistry::formatForFileName(fileName));
    qsizetype longest = 0;
    for (const QLatin1String &suffix : format.suffixes) {
        if (suffix.size() + 1 > longest && fileName.size() > suffix.size() + 1 &&
            fileName.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive))
            longest = suffix.size() + 1;
    }
    if (longest == 0) {
        const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
        longest = dot > 0 ? fileName.size() - dot : 0;
    }
    return fileName.left(fileName.size() - longest);
}

void writeError(const QString &text)
{
    std::fputs(QStringLiteral("kelvane: %1\n").arg(text).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

bool isPasswordProblem(const OperationResult &result)
{
    return result.code == ResultCode::PasswordNeeded || result.code == ResultCode::WrongPassword;
}

} // namespace

BatchRunner::BatchRunner(const QString &interfaceLanguage)
    : commands(std::make_unique<ArchiveCommands>(&plainParent)),
      runner(std::make_unique<ArchiveOperationRunner>(&plainParent, &themedParent)),
      interruptWatcher(std::make_unique<InterruptWatcher>()), language(interfaceLanguage)
{
    QObject::connect(interruptWatcher.get(), &InterruptWatcher::interrupted, runner.get(),
                     [this] { interrupt(); });
    commands->setInterfaceLanguage(interfaceLanguage);
    // Dialogs centre on their parent: a hidden parent over the whole screen puts them in its middle.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        plainParent.setGeometry(screen->availableGeometry());
        themedParent.setGeometry(screen->availableGeometry());
    }
    QFile theme(QStringLiteral(":/qss/default.css"));
    if (theme.open(QIODevice::ReadOnly | QIODevice::Text))
        themedParent.setStyleSheet(QString::fromUtf8(theme.readAll()));
}

// Here, where the members' types are complete.
BatchRunner::~BatchRunner() = default;

QString BatchRunner::extractHereFolder(const QString &archivePath)
{
    const QFileInfo archive(archivePath);
    // Never empty: a name that is all ending (".zip") is kept whole, and then taken by the archive.
    const QString stem = stemOf(archive.fileName());
    const QDir beside = archive.absoluteDir();
    QString candidate = beside.filePath(stem);
    for (int number = 2; taken(candidate); ++number)
        candidate = beside.filePath(QStringLiteral("%1 (%2)").arg(stem, QString::number(number)));
    return candidate;
}

ExitCode BatchRunner::run(const StartupRequest &request)
{
    failures.clear();
    passwordFailuresOnly = true;
    switch (request.action) {
    case StartupRequest::Action::ExtractHere:
        return extractEach(request.paths, QString());
    case StartupRequest::Action::ExtractTo: {
        QString destination = request.target;
        if (destination.isEmpty()) {
            destination = QFileDialog::getExistingDirectory(&plainParent, tr("选择解压目标目录"),
                                                            QFileInfo(request.paths.first()).absolutePath(),
                                                            QFileDialog::ShowDirsOnly);
            if (destination.isEmpty())
                return finish(true);
        }
        return extractEach(request.paths, destination);
    }
    case StartupRequest::Action::Compress:
        return compress(request.target, request.paths);
    case StartupRequest::Action::Test:
        return testEach(request.paths);
    default:
        // The window forms are not the batch's to run.
        return ExitCode::BadUsage;
    }
}

ExitCode BatchRunner::extractEach(const QStringList &archives, const QString &destination)
{
    for (const QString &archive : archives) {
        const PlannedOperation planned = *commands->planExtractHere(
            archive, destination.isEmpty() ? extractHereFolder(archive) : destination);
        const OperationResult result = execute(planned.request, planned.title, planned.headline);
        if (result.cancelled())
            return finish(true);
        if (!result.succeeded())
            noteFailure(archive, result);
    }
    return finish(false);
}

ExitCode BatchRunner::compress(const QString &archivePath, const QStringList &inputs)
{
    std::optional<PlannedOperation> planned;
    if (archivePath.isEmpty()) {
        // The window's own command: the save dialog, then a password for formats that keep one.
        planned = commands->planCompression(inputs, QFileInfo(inputs.first()).absolutePath());
        if (!planned)
            return finish(true);
    } else {
        if (!FormatRegistry::canCreate(archivePath)) {
            noteFailure(tr("无法从名称看出要创建的格式: %1\n可创建: %2")
                            .arg(QDir::toNativeSeparators(archivePath),
                                 FormatRegistry::creatablePatterns().join(QLatin1Char(' '))));
            finish(false);
            return ExitCode::BadUsage;
        }
        if (taken(archivePath)) {
            const QMessageBox::StandardButton answer = QMessageBox::question(
                &plainParent, tr("替换压缩文件"),
                tr("“%1”已存在。要替换它吗？").arg(QDir::toNativeSeparators(archivePath)),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            if (answer != QMessageBox::Yes)
                return finish(true);
        }
        OperationRequest request = OperationRequest::create(
            FormatRegistry::creationNameForFileName(archivePath), inputs, archivePath, QString());
        request.legacyNameLanguage = ArchiveCommands::legacyNameLanguageFor(language);
        planned = PlannedOperation{request, tr("压缩"), tr("正在压缩文件...")};
    }
    const OperationResult result = execute(planned->request, planned->title, planned->headline);
    if (result.cancelled())
        return finish(true);
    if (!result.succeeded())
        noteFailure(planned->request.archivePath, result);
    return finish(false);
}

ExitCode BatchRunner::testEach(const QStringList &archives)
{
    for (const QString &archive : archives) {
        OperationRequest request = OperationRequest::test(archive, QString());
        request.legacyNameLanguage = ArchiveCommands::legacyNameLanguageFor(language);
        const OperationResult result = execute(request, tr("测试"), tr("正在测试压缩文件..."));
        if (result.cancelled())
            return finish(true);
        if (result.succeeded()) {
            std::fputs(tr("完好: %1\n").arg(QDir::toNativeSeparators(archive)).toLocal8Bit().constData(),
                       stdout);
            std::fflush(stdout);
        } else {
            noteFailure(archive, result);
        }
    }
    return finish(false);
}

OperationResult BatchRunner::execute(const OperationRequest &request, const QString &title,
                                     const QString &headline)
{
    if (interrupted)
        return OperationResult::failure(ResultCode::Cancelled);
    runner->showProgressDialog(title, headline);
    QEventLoop loop;
    QObject::connect(runner.get(), &ArchiveOperationRunner::finished, &loop, &QEventLoop::quit);
    if (!runner->start(request))
        return OperationResult::failure(ResultCode::Cancelled);
    loop.exec();
    return runner->takeResult().value_or(OperationResult::failure(ResultCode::Cancelled));
}

void BatchRunner::noteFailure(const QString &archivePath, const OperationResult &result)
{
    if (!isPasswordProblem(result))
        passwordFailuresOnly = false;
    noteFailure(
        QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(archivePath), ResultMessage::text(result)));
}

void BatchRunner::interrupt()
{
    interrupted = true;
    runner->cancel();
    // A dialog asking for a folder, a name or whether to replace: its answer is a cancel now. The
    // progress dialog stays until its operation has ended.
    auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (modal && !qobject_cast<QProgressDialog *>(modal))
        modal->reject();
}

void BatchRunner::noteFailure(const QString &text)
{
    failures.append(text);
    writeError(text);
}

ExitCode BatchRunner::finish(bool cancelled)
{
    // One box for all failures, so a batch of many archives does not stop at each.
    if (!failures.isEmpty())
        QMessageBox::warning(&plainParent, tr("错误"),
                             tr("操作失败: %1").arg(failures.join(QLatin1Char('\n'))));
    if (cancelled) {
        writeError(tr("操作已取消"));
        return ExitCode::Cancelled;
    }
    if (failures.isEmpty())
        return ExitCode::Success;
    return passwordFailuresOnly ? ExitCode::PasswordProblem : ExitCode::Failure;
}
