#pragma once

#include <QFuture>
#include <QMainWindow>
#include <QModelIndex>
#include <QPoint>
#include <QString>

#include <functional>

class CompressionHandler;
class QFileSystemModel;
class OperationProgressDialog;
class QTranslator;

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

// The one main window: a file browser with the archive commands. Lives on the GUI thread;
// archive operations run on the global thread pool and report back through the handler's signals.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

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
    // The desktop folder, or the home folder where the system has no desktop folder.
    static QString desktopOrHomePath();
    // Column-0 index of every selected row, each row once, read from the selection ranges so a
    // whole-folder selection costs one index per row rather than one per cell.
    QModelIndexList selectedRowIndexes() const;
    // The selected rows by the folder holding them, each row once, as bare names: one folder path
    // per group costs far less than a full path for every row of a large selection. Rows of the
    // drive list have no folder; their names are full paths.
    struct SelectedNames {
        QString folder;
        QStringList names;
    };
    QList<SelectedNames> selectedNamesByFolder() const;
    void showSelectionInfo(const QList<SelectedNames> &selection);
    bool isDriveListName(const QString &path) const;

    // Archive commands (mainwindow_archive.cpp)
    void setActionButtonsEnabled(bool enabled);
    void showProgressDialog(const QString &title, const QString &label);
    OperationProgressDialog *findProgressDialog() const;
    void startOperation(const QString &title, const QString &label,
                        const std::function<bool(CompressionHandler *)> &operation);
    void requestOperationCancel();
    void cancelAndWaitForOperation();
    QString firstSelectedPath() const;
    QString askExtractionPassword();
    void startExtraction(const QString &archivePath, const QString &destinationPath, const QString &password);
    void setupKeyboardShortcuts();

    QFuture<void> runningOperation;
    bool operationInProgress = false;
    bool operationCancelRequested = false;

    // Settings and languages (mainwindow_settings.cpp)
    void loadSettings();
    void saveSettings();
    void setupMainMenu();
    // Applies the current language to the form, the menu, the status line and the path field.
    void retranslateWindow();
    // Starts a fresh instance and ends this one; stays running when the new one cannot start.
    void restartApplication();

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
};
