#pragma once

#include "archiveentrytree.h"
#include "browsedarchive.h"
#include "browserwidgets.h"

#include <QList>
#include <QModelIndexList>
#include <QObject>
#include <QString>
#include <QStringList>

class ArchiveEntryModel;
class QAbstractItemModel;
class QItemSelectionModel;

// The file list while it shows an opened archive: puts the archive's entries into the window's view
// in place of the folder's files (and back), and serves the path field, Up, entering folders, the
// name search and the status line inside the archive as FileBrowser serves them outside. The
// archive's entries keep a selection model of their own, so a listener of the view's selection
// connects once to each. GUI thread.
class ArchiveBrowser : public QObject
{
    Q_OBJECT

public:
    ArchiveBrowser(const BrowserWidgets &widgets, QObject *parent = nullptr);
    ~ArchiveBrowser() override;

    QItemSelectionModel *selectionModel() const { return entrySelection; }
    ArchiveEntryModel *model() const { return entryModel; }

    // Shows the archive's entries in the view, at folderInside (its top when there is no such
    // folder). The search starts empty.
    void open(const QString &archivePath, const ArchiveEntryTree &tree, const QString &folderInside);
    // Gives the view back its file system model and selection; the caller then shows a folder.
    void leave();
    bool isOpen() const { return browsed.isOpen(); }
    QString archivePath() const { return browsed.archivePath(); }
    QString folder() const { return browsed.folder(); }
    QString holdingFolder() const { return browsed.holdingFolder(); }
    // The password the user gave for this archive last (to list it or to take entries out), so the
    // next operation on it does not ask again; forgotten when the archive is left.
    void rememberPassword(const QString &given);
    QString password() const { return knownPassword; }

    // Shows a folder inside the archive; false, changing nothing, when there is none.
    bool enterFolder(const QString &folderPath);
    // Shows a folder row; false for other rows.
    bool enter(const QModelIndex &index);
    // One folder up inside; false at the archive's top.
    bool up();

    void search();
    void searchTextChanged(const QString &text);

    bool hasSelection() const;
    bool isFolder(const QModelIndex &index) const;
    QString entryPath(const QModelIndex &index) const;
    // The selected entries, or every entry of the shown folder (as the search leaves them) when
    // nothing is selected.
    QStringList selectedEntryNames() const;
    // The rows selected, first column, each once.
    QModelIndexList selectedRows() const;

    void showSelectionInfo();
    void showFolderInfo();
    // The status texts in the language installed, and the model's collation and type names.
    void retranslate();

private:
    // Swaps the view's model and selection, keeping the column widths and the sort order.
    void showModel(QAbstractItemModel *model, QItemSelectionModel *selection);
    void showFolder();

    BrowserWidgets widgets;
    ArchiveEntryModel *entryModel;
    QItemSelectionModel *entrySelection;
    BrowsedArchive browsed;
    // The view's own model and selection while an archive is shown.
    QAbstractItemModel *folderModel = nullptr;
    QItemSelectionModel *folderSelection = nullptr;
    QString knownPassword;
};
