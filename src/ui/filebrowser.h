#pragma once

#include "browserwidgets.h"
#include "filestatistics.h"

#include <QList>
#include <QModelIndexList>
#include <QObject>
#include <QString>
#include <QStringList>

class QFileSystemModel;
class QWidget;

// The window's file browser: the tree of one folder (or the drive list), the path and search
// fields, the two status texts and the deletion of selected entries. GUI thread.
class FileBrowser : public QObject
{
    Q_OBJECT

public:
    // Selected rows by the folder holding them, each row once, as bare names: one folder path per
    // group costs far less than a full path for every row of a large selection. Rows of the drive
    // list have no folder; their names are full paths.
    struct SelectedNames {
        QString folder;
        QStringList names;
    };

    // Dialogs (warnings, the delete question) are children of dialogParent.
    FileBrowser(QFileSystemModel *model, const BrowserWidgets &widgets, QWidget *dialogParent,
                QObject *parent = nullptr);

    // The desktop folder, or the home folder where the system has no desktop folder.
    static QString desktopOrHomePath();
    // The names that stand for the drive list ("MyComputer", its name in the language installed).
    static bool isDriveListName(const QString &path);

    // The status line's two texts, also for the folders of an opened archive.
    static QString selectionFiguresText(int items, qint64 bytes);
    static QString folderFiguresText(int folders, int files, qint64 bytes);

    // Model, view and column heads as the window shows them.
    void setupView();

    // The folder shown; empty for the drive list and before anything has been shown.
    QString currentFolder() const { return folder; }
    // Shows a folder, or the drive list for its names; false (and nothing changed) for a path that is
    // not a folder. Lists the folder once, for the view and the status line.
    bool navigateTo(const QString &path);
    // Lists the folder shown again, and the status line with it.
    void refresh();
    void goUp();
    // Goes where the path field says, or says the path does not exist.
    void goToTypedPath();
    void search();
    void searchTextChanged(const QString &text);
    // Asks, then deletes the selected entries inside the folder shown.
    void deleteSelected();
    // Back to the folder and view of a fresh start: no search, hidden entries not listed.
    void resetView();
    void setShowsHiddenFiles(bool shown);
    bool showsHiddenFiles() const;

    // Selects the row of path alone, makes it current and scrolls to it; nothing for a path that
    // has no row in the folder shown.
    void select(const QString &path);
    bool hasSelection() const;
    QStringList selectedPaths() const;
    QString firstSelectedPath() const;
    // Reads the selection once, shows its figures in the status line and returns it.
    QList<SelectedNames> showSelectionInfo();
    void updateFolderInfo();
    // The status texts and the drive list's name in the path field, in the language installed.
    void retranslate();

signals:
    void folderChanged(const QString &path);

private:
    QModelIndexList selectedRowIndexes() const;
    QList<SelectedNames> selectedNamesByFolder() const;
    void setFolder(const QString &path);
    void showSelectionFigures();
    void showFolderFigures();

    QFileSystemModel *model;
    BrowserWidgets widgets;
    QWidget *dialogParent;
    QString folder;
    // Nothing is counted before the first folder is shown.
    bool shown = false;
    // The figures last counted, shown again in another language without counting.
    FileStatistics::FolderTotals folderTotals;
    int selectedCount = 0;
    qint64 selectedBytes = 0;
};
