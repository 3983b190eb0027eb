#include "archivebrowser.h"

#include "archiveentrymodel.h"
#include "filebrowser.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTreeView>

ArchiveBrowser::ArchiveBrowser(const BrowserWidgets &widgets, QObject *parent)
    : QObject(parent), widgets(widgets), entryModel(new ArchiveEntryModel(this)),
      entrySelection(new QItemSelectionModel(entryModel, this)), browsed(entryModel)
{
}

ArchiveBrowser::~ArchiveBrowser() = default;

void ArchiveBrowser::open(const QString &archivePath, const ArchiveEntryTree &tree,
                          const QString &folderInside)
{
    // The search belongs to what was shown before; clearing it here must not reach that browser.
    {
        const QSignalBlocker blocker(widgets.searchField);
        widgets.searchField->clear();
    }
    entrySelection->clear();
    if (archivePath != browsed.archivePath())
        knownPassword.clear();
    browsed.open(archivePath, tree);
    if (widgets.view->model() != entryModel)
        showModel(entryModel, entrySelection);
    if (!folderInside.isEmpty())
        browsed.enterFolder(folderInside);
    showFolder();
}

void ArchiveBrowser::leave()
{
    if (!isOpen())
        return;
    {
        const QSignalBlocker blocker(widgets.searchField);
        widgets.searchField->clear();
    }
    if (folderModel)
        showModel(folderModel, folderSelection);
    folderModel = nullptr;
    folderSelection = nullptr;
    knownPassword.clear();
    browsed.close();
}

void ArchiveBrowser::rememberPassword(const QString &given)
{
    if (!given.isEmpty())
        knownPassword = given;
}

void ArchiveBrowser::showModel(QAbstractItemModel *model, QItemSelectionModel *selection)
{
    QTreeView *view = widgets.view;
    QHeaderView *header = view->header();
    QList<int> widths;
    for (int column = 0; column < header->count(); ++column)
        widths.append(header->sectionSize(column));
    const int sortColumn = header->sortIndicatorSection();
    const Qt::SortOrder sortOrder = header->sortIndicatorOrder();

    if (model == entryModel) {
        folderModel = view->model();
        folderSelection = view->selectionModel();
    }
    // setModel makes a selection model of its own, which the one kept for that model replaces.
    view->setModel(model);
    QItemSelectionModel *made = view->selectionModel();
    view->setSelectionModel(selection);
    if (made != selection && made != folderSelection && made != entrySelection)
        made->deleteLater();

    for (int column = 0; column < widths.size() && column < header->count(); ++column)
        header->resizeSection(column, widths.at(column));
    view->sortByColumn(sortColumn, sortOrder);
}

bool ArchiveBrowser::enterFolder(const QString &folderPath)
{
    if (!browsed.enterFolder(folderPath))
        return false;
    showFolder();
    return true;
}

bool ArchiveBrowser::enter(const QModelIndex &index)
{
    if (!browsed.enter(index))
        return false;
    showFolder();
    return true;
}

bool ArchiveBrowser::up()
{
    if (!browsed.up())
        return false;
    showFolder();
    return true;
}

void ArchiveBrowser::showFolder()
{
    entrySelection->clear();
    widgets.view->setRootIndex(browsed.rootIndex());
    widgets.pathField->setText(browsed.pathText());
    showFolderInfo();
    showSelectionInfo();
}

void ArchiveBrowser::search()
{
    entryModel->setNameFilter(widgets.searchField->text().trimmed());
    // The shown folder keeps its rows whatever the filter says, so its index is still the root.
    widgets.view->setRootIndex(browsed.rootIndex());
}

void ArchiveBrowser::searchTextChanged(const QString &text)
{
    if (!text.isEmpty())
        return;
    entryModel->setNameFilter(QString());
    widgets.view->setRootIndex(browsed.rootIndex());
}

bool ArchiveBrowser::hasSelection() const
{
    return entrySelection->hasSelection();
}

bool ArchiveBrowser::isFolder(const QModelIndex &index) const
{
    return entryModel->isFolder(index);
}

QString ArchiveBrowser::entryPath(const QModelIndex &index) const
{
    return entryModel->entryPath(index);
}

QModelIndexList ArchiveBrowser::selectedRows() const
{
    return entrySelection->selectedRows(ArchiveEntryModel::NameColumn);
}

QStringList ArchiveBrowser::selectedEntryNames() const
{
    return browsed.entryNames(selectedRows());
}

void ArchiveBrowser::showSelectionInfo()
{
    const ArchiveEntryModel::SelectionTotals totals = entryModel->selectionTotals(selectedRows());
    widgets.selectionLabel->setText(FileBrowser::selectionFiguresText(totals.items, totals.bytes));
}

void ArchiveBrowser::showFolderInfo()
{
    const ArchiveEntryTree::Totals totals = entryModel->folderTotals(browsed.rootIndex());
    widgets.folderLabel->setText(FileBrowser::folderFiguresText(totals.folders, totals.files, totals.bytes));
}

void ArchiveBrowser::retranslate()
{
    // Also before any archive is open: the model sorts by the collation it took last.
    entryModel->updateLanguage();
    if (!isOpen())
        return;
    widgets.view->setRootIndex(browsed.rootIndex());
    widgets.pathField->setText(browsed.pathText());
    showFolderInfo();
    showSelectionInfo();
}
