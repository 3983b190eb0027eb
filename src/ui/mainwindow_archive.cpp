#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "compressionhandler.h"
#include "operationprogressdialog.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QThread>
#include <QThreadPool>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

// Offered for extraction and enabling the extract buttons; wider than what the engine unpacks,
// which refuses the rest with its own message.
bool hasArchiveSuffix(const QString &path)
{
    static const QStringList archiveSuffixes = {
        QStringLiteral("zip"), QStringLiteral("7z"), QStringLiteral("tar"), QStringLiteral("gz"),
        QStringLiteral("bz2"), QStringLiteral("xz"), QStringLiteral("rar"),
    };
    // The text after the name's last full stop, as QFileInfo::suffix gives it, without building a
    // QFileInfo: a Ctrl+A over a large folder asks this of every row.
    const QStringView name = QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QStringView suffix = name.mid(dot + 1);
    return std::any_of(archiveSuffixes.cbegin(), archiveSuffixes.cend(), [suffix](const QString &known) {
        return suffix.compare(known, Qt::CaseInsensitive) == 0;
    });
}

// The suffix the user typed picks the format; an unknown one is passed on for the engine to refuse.
QString formatForArchivePath(const QString &archivePath)
{
    const QString suffix = QFileInfo(archivePath).suffix().toUpper();
    if (suffix == QLatin1String("GZ"))
        return QStringLiteral("GZIP");
    if (suffix == QLatin1String("BZ2"))
        return QStringLiteral("BZIP2");
    return suffix;
}

} // namespace

void MainWindow::setActionButtonsEnabled(bool enabled)
{
    ui->fileTreeView->setEnabled(enabled);
    ui->upButton->setEnabled(enabled);
    ui->desktopButton->setEnabled(enabled);
    ui->searchButton->setEnabled(enabled);
    ui->refreshButton->setEnabled(enabled);
    ui->addButton->setEnabled(enabled);
    ui->extractToButton->setEnabled(enabled);
    ui->extractHereButton->setEnabled(enabled);
    ui->deleteButton->setEnabled(enabled);
}

void MainWindow::showProgressDialog(const QString &title, const QString &label)
{
    // A child of the panel, so the window's theme reaches it; modal to the window all the same.
    auto *dialog = new OperationProgressDialog(title, label, tr("取消"), ui->centralwidget);
    dialog->setWindowModality(Qt::WindowModal);
    // Cancel and Escape ask the engine to stop; a close of the dialog is caught by eventFilter.
    connect(dialog, &QProgressDialog::canceled, this, &MainWindow::requestOperationCancel);
    dialog->installEventFilter(this);
    dialog->show();
}

OperationProgressDialog *MainWindow::findProgressDialog() const
{
    return findChild<OperationProgressDialog *>();
}

void MainWindow::startOperation(const QString &title, const QString &label,
                                const std::function<bool(CompressionHandler *)> &operation)
{
    setActionButtonsEnabled(false);
    showProgressDialog(title, label);
    operationInProgress = true;
    operationCancelRequested = false;
    CompressionHandler *handler = compressionHandler;
    runningOperation = QtConcurrent::run(QThreadPool::globalInstance(), [handler, operation] {
        const bool success = operation(handler);
        emit handler->operationCompleted(success);
    });
}

void MainWindow::requestOperationCancel()
{
    if (!operationInProgress)
        return;
    operationCancelRequested = true;
    compressionHandler->cancel();
    if (OperationProgressDialog *dialog = findProgressDialog()) {
        dialog->showCancelling(tr("正在取消..."));
        if (auto *cancelButton = dialog->findChild<QPushButton *>())
            cancelButton->setEnabled(false);
    }
}

void MainWindow::cancelAndWaitForOperation()
{
    if (!operationInProgress)
        return;
    operationCancelRequested = true;
    // The engine clears its cancel flag when an operation begins, so a request made before the
    // task got a pool thread would be lost; repeat it until the task has ended.
    while (!runningOperation.isFinished()) {
        compressionHandler->cancel();
        QThread::msleep(20);
    }
    // The queued completion that follows is ignored: the window is going away.
    operationInProgress = false;
    setActionButtonsEnabled(true);
    if (OperationProgressDialog *dialog = findProgressDialog())
        dialog->finish();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (operationInProgress) {
        const QMessageBox::StandardButton answer =
            QMessageBox::question(this, tr("确认退出"), tr("压缩或解压操作仍在进行。要取消该操作并退出吗？"),
                                  QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        cancelAndWaitForOperation();
    }
    QMainWindow::closeEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The progress dialog stays until the task ends. Closing it from the window system means cancel;
    // a close sent by the application quitting (which closes modal dialogs first) is a close of the
    // window, which asks before it cancels.
    if (event->type() == QEvent::Close && operationInProgress && qobject_cast<QProgressDialog *>(watched)) {
        event->ignore();
        if (event->spontaneous())
            requestOperationCancel();
        else
            close();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::onCompressionProgress(int value)
{
    if (operationCancelRequested)
        compressionHandler->cancel();
    // The engine reports the percentage and the entry apart; the byte counts come later.
    if (OperationProgressDialog *dialog = findProgressDialog())
        dialog->showProgress(value, dialog->processedBytes(), dialog->totalBytes(), dialog->currentEntry());
}

void MainWindow::onCurrentFileChanged(QString filename)
{
    if (operationCancelRequested) {
        compressionHandler->cancel();
        return;
    }
    if (OperationProgressDialog *dialog = findProgressDialog())
        dialog->showProgress(dialog->percent(), dialog->processedBytes(), dialog->totalBytes(), filename);
}

void MainWindow::onCompressionCompleted(bool success)
{
    if (!operationInProgress)
        return;
    operationInProgress = false;
    setActionButtonsEnabled(true);
    if (OperationProgressDialog *dialog = findProgressDialog())
        dialog->finish();

    if (success) {
        QMessageBox::information(this, tr("成功"), tr("操作完成成功"), QMessageBox::Ok);
        refreshCurrentView();
    } else if (operationCancelRequested) {
        QMessageBox::information(this, tr("已取消"), tr("操作已取消"), QMessageBox::Ok);
        refreshCurrentView();
    } else {
        QMessageBox::warning(this, tr("错误"), tr("操作失败: %1").arg(compressionHandler->lastError()),
                             QMessageBox::Ok);
    }
}

void MainWindow::onFileSelectionChanged()
{
    const bool hasSelection = ui->fileTreeView->selectionModel()->hasSelection();
    // Read once for both the status line and the buttons: a Ctrl+A over a large folder pays for
    // every row it reads.
    const QList<SelectedNames> selection = selectedNamesByFolder();
    showSelectionInfo(selection);
    // A selection change during an operation (navigation through the path field) must not unlock.
    if (operationInProgress)
        return;

    ui->addButton->setEnabled(hasSelection);
    ui->deleteButton->setEnabled(hasSelection);

    const bool archiveSelected =
        std::any_of(selection.cbegin(), selection.cend(), [](const SelectedNames &group) {
            return std::any_of(group.names.cbegin(), group.names.cend(), hasArchiveSuffix);
        });
    ui->extractToButton->setEnabled(archiveSelected);
    ui->extractHereButton->setEnabled(archiveSelected);
}

QString MainWindow::firstSelectedPath() const
{
    const QModelIndexList rows = selectedRowIndexes();
    return rows.isEmpty() ? QString() : fileSystemModel->filePath(rows.first());
}

QString MainWindow::askExtractionPassword()
{
    // A cancelled prompt counts as no password.
    return QInputDialog::getText(this, tr("输入密码"), tr("请输入解压密码（如果没有密码请留空）:"),
                                 QLineEdit::Password);
}

void MainWindow::startExtraction(const QString &archivePath, const QString &destinationPath,
                                 const QString &password)
{
    startOperation(tr("解压"), tr("正在解压文件..."),
                   [archivePath, destinationPath, password](CompressionHandler *handler) {
                       return handler->extractArchive(archivePath, destinationPath, password);
                   });
}

void MainWindow::onAddToArchive()
{
    const QModelIndexList rows = selectedRowIndexes();
    if (rows.isEmpty()) {
        QMessageBox::warning(this, tr("警告"), tr("请选择要压缩的文件或文件夹"), QMessageBox::Ok);
        return;
    }
    QStringList files;
    for (const QModelIndex &index : rows)
        files.append(fileSystemModel->filePath(index));

    const QString archivePath = QFileDialog::getSaveFileName(
        this, tr("选择压缩文件保存位置"), currentPath + QStringLiteral("/archive.zip"),
        tr("压缩文件 (*.zip *.7z *.tar *.gz *.bz2 *.xz)"));
    if (archivePath.isEmpty())
        return;
    const QString format = formatForArchivePath(archivePath);
    // A cancelled prompt counts as no password.
    const QString password =
        QInputDialog::getText(this, tr("输入密码"), tr("请输入压缩密码（可选）:"), QLineEdit::Password);

    startOperation(tr("压缩"), tr("正在压缩文件..."),
                   [format, files, archivePath, password](CompressionHandler *handler) {
                       return handler->compressFiles(format, files, archivePath, password);
                   });
}

void MainWindow::onExtractTo()
{
    if (!ui->fileTreeView->selectionModel()->hasSelection()) {
        QMessageBox::warning(this, tr("警告"), tr("请选择要解压的压缩文件"), QMessageBox::Ok);
        return;
    }
    const QString destinationPath = QFileDialog::getExistingDirectory(this, tr("选择解压目标目录"),
                                                                      currentPath, QFileDialog::ShowDirsOnly);
    if (destinationPath.isEmpty())
        return;
    const QString archivePath = firstSelectedPath();
    const QString password = askExtractionPassword();
    startExtraction(archivePath, destinationPath, password);
}

void MainWindow::onExtractHere()
{
    if (!ui->fileTreeView->selectionModel()->hasSelection()) {
        QMessageBox::warning(this, tr("警告"), tr("请选择要解压的压缩文件"), QMessageBox::Ok);
        return;
    }
    const QString archivePath = firstSelectedPath();
    const QString password = askExtractionPassword();
    startExtraction(archivePath, currentPath, password);
}

void MainWindow::onItemDoubleClicked(QModelIndex index)
{
    if (!index.isValid())
        return;
    const QString path = fileSystemModel->filePath(index);
    const QFileInfo info(path);
    if (info.isDir() || info.isRoot() || info.isBundle()) {
        navigateToPath(path);
        return;
    }
    if (!info.isFile())
        return;
    if (!hasArchiveSuffix(path)) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        return;
    }
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, tr("解压文件"), tr("是否要解压 '%1' 到当前目录？").arg(info.fileName()),
                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    const QString password = askExtractionPassword();
    startExtraction(path, currentPath, password);
}

void MainWindow::setupKeyboardShortcuts()
{
    // Keys click the buttons, so a locked button locks its key as well.
    const auto bindKey = [this](const QKeySequence &key, QAbstractButton *button) {
        connect(new QShortcut(key, this), &QShortcut::activated, button, &QAbstractButton::click);
    };
    bindKey(QKeySequence(Qt::Key_Delete), ui->deleteButton);
    bindKey(QKeySequence(Qt::Key_F5), ui->refreshButton);
    bindKey(QKeySequence(Qt::Key_Backspace), ui->upButton);
    bindKey(QKeySequence(Qt::ALT | Qt::Key_Up), ui->upButton);

    // Return on the current row of the tree opens it as a double-click would.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *openShortcut = new QShortcut(QKeySequence(key), ui->fileTreeView);
        openShortcut->setContext(Qt::WidgetShortcut);
        connect(openShortcut, &QShortcut::activated, this, [this] {
            const QModelIndex current = ui->fileTreeView->currentIndex();
            if (ui->fileTreeView->selectionModel()->isSelected(current))
                onItemDoubleClicked(current);
        });
    }
}
