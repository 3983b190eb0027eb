// The archive's entries as the file list shows a folder: the tree built from a flat listing, the
// same order, texts and search as the file list, moving between folders without a reset, and the
// status line's totals.

#include "archiveentrymodel.h"
#include "datasize.h"
#include "myfilesystemmodel.h"
#include "testtree.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QItemSelectionModel>
#include <QMimeDatabase>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QTreeView>

Q_DECLARE_METATYPE(ArchiveEntryList)

namespace {

ArchiveEntry file(const QString &name, qint64 size = 1, const QDateTime &modified = QDateTime())
{
    ArchiveEntry entry;
    entry.name = name;
    entry.size = size;
    entry.modified = modified;
    return entry;
}

ArchiveEntry folder(const QString &name)
{
    ArchiveEntry entry;
    entry.name = name;
    entry.isFolder = true;
    return entry;
}

ArchiveEntry link(const QString &name)
{
    ArchiveEntry entry = file(name, 0);
    entry.isLink = true;
    return entry;
}

// The tree depth first in archive order, one line per node: indented name, "/" for folders, the
// size of others, "unsafe" for names extraction refuses.
void describe(const ArchiveEntryTree &tree, int id, int depth, QStringList *lines)
{
    for (const int child : tree.node(id).children) {
        const ArchiveEntryTree::Node &node = tree.node(child);
        QString line = QString(depth * 2, QLatin1Char(' ')) + node.name().toString();
        line += node.isFolder ? QStringLiteral("/") : QStringLiteral(" %1").arg(node.size);
        if (node.unsafe)
            line += QStringLiteral(" unsafe");
        lines->append(line);
        describe(tree, child, depth + 1, lines);
    }
}

QStringList describe(const ArchiveEntryTree &tree)
{
    QStringList lines;
    describe(tree, ArchiveEntryTree::top, 0, &lines);
    return lines;
}

QStringList rowNames(const QAbstractItemModel &model, const QModelIndex &parent = QModelIndex())
{
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row)
        names.append(model.index(row, 0, parent).data().toString());
    return names;
}

// A small archive as a listing: folders stored and implied, files of several types and sizes.
ArchiveEntryList sampleListing()
{
    const QDateTime early(QDate(2021, 3, 4), QTime(5, 6), Qt::UTC);
    const QDateTime late(QDate(2024, 7, 8), QTime(9, 10), Qt::UTC);
    return {folder("docs"),
            file("docs/Report.txt", 300, late),
            file("docs/img/photo10.png", 2000, early),
            file("docs/img/photo2.png", 1000, late),
            folder("docs/empty"),
            file("readme.txt", 10, early),
            file("文档/说明.txt", 20, late),
            link("latest")};
}

} // namespace

class TestArchiveEntryModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void buildsTree_data();
    void buildsTree();
    void passesModelChecks();
    void showsColumnsAsTheFileList();
    void sortsAsTheFileList_data();
    void sortsAsTheFileList();
    void movesBetweenFoldersWithoutReset();
    void searchesNames_data();
    void searchesNames();
    void searchKeepsShownFolderAndSelection();
    void totalsForStatusLine();

private:
    QTranslator english;
};

void TestArchiveEntryModel::initTestCase()
{
    // The file list's order and texts follow the interface language: English here, so the folder
    // type is the toolkit's own word, which the file list sorts by.
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    QVERIFY(english.load(QStringLiteral(":/translations/lang_en_US.qm")));
    QCoreApplication::installTranslator(&english);
}

void TestArchiveEntryModel::buildsTree_data()
{
    QTest::addColumn<ArchiveEntryList>("entries");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("implied and stored folders")
        << ArchiveEntryList{file("a/b/c.txt", 3), folder("a/b"), folder("a/empty"), file("top.txt", 5)}
        << QStringList{"a/", "  b/", "    c.txt 3", "  empty/", "top.txt 5"};
    QTest::newRow("names normalised as extraction does")
        << ArchiveEntryList{file("a//./b.txt", 1), file("a/x/../c.txt", 2), folder("./"), folder("a/")}
        << QStringList{"a/", "  b.txt 1", "  c.txt 2"};
    QTest::newRow("later of one path wins")
        << ArchiveEntryList{file("same.txt", 1), file("other.txt", 2), file("./same.txt", 9)}
        << QStringList{"same.txt 9", "other.txt 2"};
    QTest::newRow("file and folder on one path both shown")
        << ArchiveEntryList{file("x", 4), file("x/inner", 5)} << QStringList{"x 4", "x/", "  inner 5"};
    QTest::newRow("unsafe names stay at the top, raw")
        << ArchiveEntryList{file("../up.txt", 1), file("/etc/passwd", 2), file("C:/evil", 3), file("ok/a", 4)}
        << QStringList{"../up.txt 1 unsafe", "/etc/passwd 2 unsafe", "C:/evil 3 unsafe", "ok/", "  a 4"};
    QTest::newRow("Chinese names") << ArchiveEntryList{file("文档/报告/一.txt", 6), folder("文档")}
                                   << QStringList{"文档/", "  报告/", "    一.txt 6"};
    QTest::newRow("links are items") << ArchiveEntryList{link("dir/link"), file("dir/t", 2)}
                                     << QStringList{"dir/", "  link 0", "  t 2"};
}

void TestArchiveEntryModel::buildsTree()
{
    QFETCH(ArchiveEntryList, entries);
    QFETCH(QStringList, expected);

    const ArchiveEntryTree tree = ArchiveEntryTree::build(entries);
    QCOMPARE(describe(tree), expected);
    // Every path names its own node, folders and items apart.
    for (int id = 1; id < tree.size(); ++id) {
        const ArchiveEntryTree::Node &node = tree.node(id);
        if (node.unsafe)
            continue;
        QCOMPARE(node.isFolder ? tree.folder(node.path) : tree.item(node.path), id);
    }
}

void TestArchiveEntryModel::passesModelChecks()
{
    ArchiveEntryModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setEntries(sampleListing());
    model.setRootPath(QStringLiteral("docs/img"));
    model.setNameFilter(QStringLiteral("o"));
    model.sort(ArchiveEntryModel::SizeColumn, Qt::DescendingOrder);
    model.setRootPath(QString());
    model.setNameFilter(QString());
    model.sort(ArchiveEntryModel::TypeColumn);
    model.updateLanguage();
    model.setEntries({});
}

void TestArchiveEntryModel::showsColumnsAsTheFileList()
{
    ArchiveEntryModel model;
    MyFileSystemModel fileList;
    model.setEntries(sampleListing());
    for (int column = 0; column < ArchiveEntryModel::ColumnCount; ++column)
        QCOMPARE(model.headerData(column, Qt::Horizontal).toString(),
                 fileList.headerData(column, Qt::Horizontal).toString());

    const QModelIndex docs = model.folderIndex(QStringLiteral("docs"));
    QVERIFY(docs.isValid());
    QCOMPARE(docs.siblingAtColumn(1).data().toString(), QString());
    QCOMPARE(docs.siblingAtColumn(2).data().toString(), MyFileSystemModel::folderType());
    QCOMPARE(docs.siblingAtColumn(3).data().toString(), QString());

    const QModelIndex report = model.index(2, 0, docs);
    QCOMPARE(report.data().toString(), QStringLiteral("Report.txt"));
    QCOMPARE(report.siblingAtColumn(1).data().toString(), DataSize::text(300));
    QCOMPARE(report.siblingAtColumn(1).data(Qt::TextAlignmentRole),
             QVariant(Qt::AlignTrailing | Qt::AlignVCenter));
    QCOMPARE(report.siblingAtColumn(2).data().toString(),
             QMimeDatabase().mimeTypeForName("text/plain").comment());
    // Local time, as the file list shows a file's date.
    const QDateTime modified(QDate(2024, 7, 8), QTime(9, 10), Qt::UTC);
    QCOMPARE(report.siblingAtColumn(3).data().toString(),
             MyFileSystemModel::modifiedText(modified.toLocalTime(), QLocale()));
    QCOMPARE(report.data(ArchiveEntryModel::EntryPathRole).toString(), QStringLiteral("docs/Report.txt"));
    QVERIFY(!report.data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(!docs.data(Qt::DecorationRole).value<QIcon>().isNull());
}

void TestArchiveEntryModel::sortsAsTheFileList_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("order");

    for (int column = 0; column < ArchiveEntryModel::ColumnCount; ++column) {
        QTest::addRow("column %d ascending", column) << column << Qt::AscendingOrder;
        QTest::addRow("column %d descending", column) << column << Qt::DescendingOrder;
    }
}

// The same items on disk and in an archive must come in the same order, for every column.
void TestArchiveEntryModel::sortsAsTheFileList()
{
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, order);

    struct Item {
        QString name;
        qint64 size;
        int minutes;
    };
    const QList<Item> files{{"b.txt", 30, 5},     {"A.png", 30, 1},        {"file10.txt", 10, 5},
                            {"file2.txt", 20, 3}, {"文档.txt", 40, 2},     {"notes.md", 5, 4},
                            {"Zeta.PNG", 50, 6},  {"archive.tar.gz", 7, 7}};
    const QStringList folders{"folder2", "Folder10", "z", "资料"};
    const QDateTime base(QDate(2023, 1, 1), QTime(12, 0), Qt::LocalTime);

    QTemporaryDir dir;
    ArchiveEntryList entries;
    for (const Item &item : files) {
        const QString path = dir.filePath(item.name);
        QVERIFY(TestTree::writeFile(path, QByteArray(item.size, 'x')));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadWrite));
        QVERIFY(written.setFileTime(base.addSecs(60 * item.minutes), QFileDevice::FileModificationTime));
        entries.append(file(item.name, item.size, base.addSecs(60 * item.minutes)));
    }
    for (const QString &name : folders) {
        QVERIFY(QDir(dir.path()).mkdir(name));
        ArchiveEntry entry = folder(name);
        entry.modified = QFileInfo(dir.filePath(name)).lastModified();
        entries.append(entry);
    }

    MyFileSystemModel fileList;
    QSignalSpy loaded(&fileList, &QFileSystemModel::directoryLoaded);
    const QModelIndex root = fileList.setRootPath(dir.path());
    QVERIFY(loaded.wait(5000));
    QTRY_COMPARE(fileList.rowCount(root), int(files.size() + folders.size()));
    fileList.sort(column, order);

    ArchiveEntryModel model;
    model.setEntries(entries);
    model.sort(column, order);
    QCOMPARE(rowNames(model), rowNames(fileList, root));
}

void TestArchiveEntryModel::movesBetweenFoldersWithoutReset()
{
    ArchiveEntryModel model;
    model.setEntries(sampleListing());
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);

    QCOMPARE(rowNames(model), (QStringList{"docs", "文档", "latest", "readme.txt"}));
    const QModelIndex img = model.setRootPath(QStringLiteral("docs/img"));
    QCOMPARE(img, model.folderIndex(QStringLiteral("docs/img")));
    QCOMPARE(rowNames(model, img), (QStringList{"photo2.png", "photo10.png"}));
    QCOMPARE(model.parent(img), model.folderIndex(QStringLiteral("docs")));
    QCOMPARE(model.entryPath(model.parent(img)), QStringLiteral("docs"));
    QCOMPARE(rowNames(model, model.setRootPath(QStringLiteral("docs"))),
             (QStringList{"empty", "img", "Report.txt"}));
    QVERIFY(!model.setRootPath(QString()).isValid());
    QCOMPARE(resets.count(), 0);
    QCOMPARE(layouts.count(), 0);

    QVERIFY(model.folderExists(QStringLiteral("docs/empty/")));
    QVERIFY(!model.folderExists(QStringLiteral("readme.txt")));
    QVERIFY(!model.folderIndex(QStringLiteral("nowhere")).isValid());
    QCOMPARE(model.rowCount(model.folderIndex(QStringLiteral("docs/empty"))), 0);
}

void TestArchiveEntryModel::searchesNames_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("any case") << "docs/img"
                              << "PHOTO1" << QStringList{"photo10.png"};
    QTest::newRow("folders too") << "docs"
                                 << "m" << QStringList{"empty", "img"};
    QTest::newRow("contains, not a pattern") << ""
                                             << "e." << QStringList{"readme.txt"};
    QTest::newRow("Chinese") << "文档"
                             << "说明" << QStringList{"说明.txt"};
    QTest::newRow("nothing matches") << ""
                                     << "zzz" << QStringList{};
    QTest::newRow("empty shows all") << "docs"
                                     << "" << QStringList{"empty", "img", "Report.txt"};
}

void TestArchiveEntryModel::searchesNames()
{
    QFETCH(QString, folder);
    QFETCH(QString, text);
    QFETCH(QStringList, shown);

    ArchiveEntryModel model;
    model.setEntries(sampleListing());
    const QPersistentModelIndex root = model.setRootPath(folder);
    model.setNameFilter(text);
    QCOMPARE(model.nameFilter(), text);
    QCOMPARE(rowNames(model, model.folderIndex(folder)), shown);
    QCOMPARE(model.folderIndex(folder), QModelIndex(root));
}

// The view's root and selection are persistent indexes: a search must keep the shown folder, move
// the selected rows that stay and drop those it hides.
void TestArchiveEntryModel::searchKeepsShownFolderAndSelection()
{
    ArchiveEntryModel model;
    model.setEntries(sampleListing());
    QTreeView view;
    view.setModel(&model);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setRootIndex(model.setRootPath(QStringLiteral("docs/img")));
    const QModelIndex photo10 = model.index(1, 0, view.rootIndex());
    QCOMPARE(photo10.data().toString(), QStringLiteral("photo10.png"));
    view.selectionModel()->select(photo10, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view.selectionModel()->select(model.index(0, 0, view.rootIndex()),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);

    // Neither "docs" nor "img" contains "10", yet the shown folder stays.
    model.setNameFilter(QStringLiteral("10"));
    QVERIFY(view.rootIndex().isValid());
    QCOMPARE(model.entryPath(view.rootIndex()), QStringLiteral("docs/img"));
    QCOMPARE(rowNames(model, view.rootIndex()), QStringList{"photo10.png"});
    const QModelIndexList selected = view.selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(model.entryPath(selected.first()), QStringLiteral("docs/img/photo10.png"));
    QCOMPARE(selected.first().row(), 0);

    // Leaving the folder lets its chain go: "docs" no longer matches at the top.
    model.setRootPath(QString());
    QCOMPARE(rowNames(model), QStringList{});
    QVERIFY(!model.folderIndex(QStringLiteral("docs")).isValid());
    model.setNameFilter(QString());
    QCOMPARE(rowNames(model), (QStringList{"docs", "文档", "latest", "readme.txt"}));

    // Sorting moves persistent rows with their entries.
    const QPersistentModelIndex readme = model.index(3, 0);
    model.sort(ArchiveEntryModel::NameColumn, Qt::DescendingOrder);
    QCOMPARE(readme.data().toString(), QStringLiteral("readme.txt"));
    QCOMPARE(readme.row(), 0);
}

void TestArchiveEntryModel::totalsForStatusLine()
{
    ArchiveEntryModel model;
    model.setEntries(sampleListing());
    const ArchiveEntryTree::Totals top = model.folderTotals(QModelIndex());
    QCOMPARE(top.folders, 2);
    QCOMPARE(top.files, 2);
    QCOMPARE(top.bytes, qint64(10));
    const QModelIndex docs = model.folderIndex(QStringLiteral("docs"));
    QCOMPARE(model.folderTotals(docs).folders, 2);
    QCOMPARE(model.folderTotals(docs).files, 1);
    QCOMPARE(model.folderTotals(docs).bytes, qint64(300));

    // The search hides rows, not entries: the folder's totals stay.
    model.setNameFilter(QStringLiteral("readme"));
    QCOMPARE(model.folderTotals(QModelIndex()).files, 2);
    model.setNameFilter(QString());

    const QModelIndex img = model.folderIndex(QStringLiteral("docs/img"));
    const QModelIndex photo = model.index(0, 0, img);
    const QModelIndex report = model.index(2, 0, docs);
    // Each row once whatever its columns; folders add no bytes of their own.
    const ArchiveEntryModel::SelectionTotals picked =
        model.selectionTotals({photo, photo.siblingAtColumn(2), report, img, QModelIndex()});
    QCOMPARE(picked.items, 3);
    QCOMPARE(picked.bytes, qint64(1300));
    QCOMPARE(model.selectionTotals({}).items, 0);
}

QTEST_MAIN(TestArchiveEntryModel)
#include "tst_archiveentrymodel.moc"
