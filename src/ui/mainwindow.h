#pragma once

#include <QMainWindow>
#include <QModelIndex>
#include <QPoint>
#include <QString>

#include <memory>
#include <optional>

class ArchiveBrowser;
class ArchiveCommands;
class ArchiveOperationRunner;
class CompressionHandler;
class FileBrowser;
class MenuEntry;
class QAction;
class QFileSystemModel;
class QTemporaryDir;
class QTranslator;
struct PlannedOperation;

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

// The one main window: a file browser with the archive commands. Lives on the GUI thread. Its slots
// delegate: FileBrowser lists, searches and deletes, ArchiveCommands opens the commands' dialogs,
// ArchiveOperationRunner runs each operation as a job of its own, WindowSettings keeps the settings.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Shows the archive's entries in the file list as if it were a folder, from its top, and returns
    // once they are shown (the listing's questions and progress are served meanwhile). False, with the
    // reason shown, when it cannot be listed or while another operation runs.
    bool openArchive(const QString &archivePath);
    // Shows a folder, with one of its items selected when selectedPath names it; false (and nothing
    // changed) when folderPath is not a folder.
    bool showFolder(const QString &folderPath, const QString &selectedPath = QString());
    // Closes the window as a close answered with Yes does, for a request to end that nobody is there
    // to answer (SIGTERM): the running operation is cancelled and has ended, removing what it had
    // written, before this returns. Dialogs open over the window are left to whoever ends the program.
    void closeWithoutAsking();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void onAddToArchive();
    void onExtractTo();
    void onExtractHere();
    void onDeleteSelected();
    void onRefresh();
    void onPathChanged();
    void onFileSelectionChanged();
    void onCompressionProgress(int value);
    void onCompressionCompleted(bool success);
    void onCurrentFileChanged(QString filename);
    void onUpButtonClicked();
    void onDesktopButtonClicked();
    void onSearchButtonClicked();
    void onSearchTextChanged(QString text);
    void onItemDoubleClicked(QModelIndex index);
    void initLanguage();
    void loadLanguage(QString language);
    void updateMenuLanguage();
    void on_resetButton_clicked();
    void onMinimizeButtonClicked();
    void on_aboutButton_clicked();
    void onCloseButtonClicked();

private:
    // Construction and wiring (mainwindow.cpp)
    void setupConnections();

    // File browser (mainwindow_browser.cpp)
    void setupTreeView();
    void navigateToPath(const QString &path);
    void refreshCurrentView();
    void updateSelectionInfo();
    void updateFolderInfo();
    QString formatFileSize(qint64 size) const;

    // Archive commands (mainwindow_archive.cpp)
    void setActionButtonsEnabled(bool enabled);
    // Cancels the running operation and waits for its end, which is not reported: the window is going.
    void endOperationForClose();
    void showProgressDialog(const QString &title, const QString &label);
    void startOperation(const std::optional<PlannedOperation> &operation);
    void setupKeyboardShortcuts();

    // Opened archives and the file list's menu (mainwindow_archiveview.cpp)
    bool openArchiveAt(const QString &archivePath, const QString &folderInside);
    // Back to the file system's view; the caller shows a folder next.
    void leaveArchive();
    bool goToTypedArchivePath(const QString &text);
    // Extracts one entry of the opened archive into a private folder and opens it there.
    void openEntry(const QModelIndex &index);
    void openSelected();
    void testSelected();
    QString selectedArchivePath() const;
    void setupFileListMenu();
    void retranslateFileListMenu();
    void updateFileListActions();
    void showFileListMenu(const QPoint &position);

    // Settings and languages (mainwindow_settings.cpp)
    void loadSettings();
    void saveSettings();
    void setupMainMenu();
    // Applies the current language to the form, the menu, the status line and the path field.
    void retranslateWindow();
    // Starts a fresh instance and ends this one; stays running when the new one cannot start.
    void restartApplication();

    // Created before the form, whose automatic connections bind on_resetButton_clicked and
    // on_aboutButton_clicked to them.
    MenuEntry *resetEntry;
    MenuEntry *aboutEntry;
    Ui::MainWindow *ui;
    CompressionHandler *compressionHandler;
    QFileSystemModel *fileSystemModel;
    QString currentPath;
    bool dragging;
    QPoint dragStartPosition;
    QPoint windowStartPosition;
    QTranslator *appTranslator;
    QTranslator *qtTranslator;
    QString currentLanguage;
    FileBrowser *browser;
    ArchiveCommands *archiveCommands;
    ArchiveOperationRunner *operationRunner;
    ArchiveBrowser *archiveBrowser = nullptr;
    // Entries opened from an archive live here until the window goes.
    std::unique_ptr<QTemporaryDir> openedEntriesFolder;
    // The archive the running operation tests; empty for other operations.
    QString testedArchivePath;
    QAction *openAction = nullptr;
    QAction *extractToAction = nullptr;
    QAction *quickExtractAction = nullptr;
    QAction *testAction = nullptr;
    QAction *compressAction = nullptr;
    QAction *deleteAction = nullptr;
};
