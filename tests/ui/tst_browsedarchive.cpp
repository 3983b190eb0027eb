// The archive being browsed: the path field's text, entering folders and going up inside the
// archive and out of it, the entries a selection stands for, and typed paths into an archive.

#include "archiveentrymodel.h"
#include "browsedarchive.h"
#include "testtree.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

ArchiveEntry entry(const QString &name, bool isFolder = false)
{
    ArchiveEntry made;
    made.name = name;
    made.isFolder = isFolder;
    made.size = isFolder ? 0 : 1;
    return made;
}

ArchiveEntryTree sampleTree()
{
    return ArchiveEntryTree::build({entry("docs/a.txt"), entry("docs/img/p1.png"), entry("docs/img/p2.png"),
                                    entry("docs/empty", true), entry("top.txt"), entry("文档/说明.txt")});
}

QModelIndex rowNamed(const ArchiveEntryModel &model, const QModelIndex &parent, const QString &name)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        if (model.index(row, 0, parent).data().toString() == name)
            return model.index(row, 0, parent);
    }
    return QModelIndex();
}

} // namespace

class TestBrowsedArchive : public QObject
{
    Q_OBJECT

private slots:
    void walksInAndOut();
    void entersOnlyFolders_data();
    void entersOnlyFolders();
    void namesForExtraction_data();
    void namesForExtraction();
    void splitsTypedPaths_data();
    void splitsTypedPaths();
};

void TestBrowsedArchive::walksInAndOut()
{
    ArchiveEntryModel model;
    BrowsedArchive browsed(&model);
    QVERIFY(!browsed.isOpen());
    browsed.open(QStringLiteral("/data/box/a.zip"), sampleTree());
    QVERIFY(browsed.isOpen());
    QCOMPARE(browsed.pathText(), QStringLiteral("/data/box/a.zip"));
    QVERIFY(!browsed.rootIndex().isValid());

    const QStringList expected{"/data/box/a.zip/docs", "/data/box/a.zip/docs/img"};
    QVERIFY(browsed.enter(rowNamed(model, browsed.rootIndex(), "docs")));
    QCOMPARE(browsed.pathText(), expected.at(0));
    QVERIFY(browsed.enter(rowNamed(model, browsed.rootIndex(), "img")));
    QCOMPARE(browsed.pathText(), expected.at(1));
    QCOMPARE(browsed.folder(), QStringLiteral("docs/img"));
    QCOMPARE(model.entryPath(browsed.rootIndex()), QStringLiteral("docs/img"));
    QCOMPARE(model.rowCount(browsed.rootIndex()), 2);

    QVERIFY(browsed.up());
    QCOMPARE(browsed.pathText(), expected.at(0));
    QVERIFY(browsed.up());
    QCOMPARE(browsed.pathText(), QStringLiteral("/data/box/a.zip"));
    // From the top, Up leaves the archive for the folder holding it; nothing changes here.
    QVERIFY(!browsed.up());
    QCOMPARE(browsed.holdingFolder(), QStringLiteral("/data/box"));
    QVERIFY(browsed.isOpen());

    browsed.close();
    QVERIFY(!browsed.isOpen());
    QCOMPARE(model.rowCount(), 0);
}

void TestBrowsedArchive::entersOnlyFolders_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("entered");
    QTest::addColumn<QString>("folder");

    QTest::newRow("nested") << "docs/img" << true << "docs/img";
    QTest::newRow("trailing slash") << "docs/empty/" << true << "docs/empty";
    QTest::newRow("Chinese") << "文档" << true << "文档";
    QTest::newRow("top") << "" << true << "";
    QTest::newRow("a file") << "top.txt" << false << "docs";
    QTest::newRow("missing") << "docs/nothing" << false << "docs";
}

void TestBrowsedArchive::entersOnlyFolders()
{
    QFETCH(QString, path);
    QFETCH(bool, entered);
    QFETCH(QString, folder);

    ArchiveEntryModel model;
    BrowsedArchive browsed(&model);
    browsed.open(QStringLiteral("/a.zip"), sampleTree());
    QVERIFY(browsed.enterFolder(QStringLiteral("docs")));
    QCOMPARE(browsed.enterFolder(path), entered);
    QCOMPARE(browsed.folder(), folder);
    QCOMPARE(browsed.rootIndex(), model.folderIndex(folder));
    QVERIFY(!browsed.enter(rowNamed(model, browsed.rootIndex(), "a.txt")));
}

void TestBrowsedArchive::namesForExtraction_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("selected rows, in order")
        << "docs"
        << "" << QStringList{"img", "a.txt"} << QStringList{"docs/img", "docs/a.txt"};
    QTest::newRow("nothing selected: the shown folder")
        << "docs"
        << "" << QStringList{} << QStringList{"docs/empty", "docs/img", "docs/a.txt"};
    QTest::newRow("nothing selected at the top")
        << ""
        << "" << QStringList{} << QStringList{"docs", "文档", "top.txt"};
    QTest::newRow("nothing selected under a search")
        << "docs/img"
        << "2" << QStringList{} << QStringList{"docs/img/p2.png"};
}

void TestBrowsedArchive::namesForExtraction()
{
    QFETCH(QString, folder);
    QFETCH(QString, search);
    QFETCH(QStringList, selected);
    QFETCH(QStringList, names);

    ArchiveEntryModel model;
    BrowsedArchive browsed(&model);
    browsed.open(QStringLiteral("/a.zip"), sampleTree());
    QVERIFY(browsed.enterFolder(folder));
    model.setNameFilter(search);
    QModelIndexList rows;
    for (const QString &name : selected) {
        const QModelIndex row = rowNamed(model, browsed.rootIndex(), name);
        QVERIFY(row.isValid());
        // A selection of whole rows holds every column; each row counts once.
        rows << row << row.siblingAtColumn(3);
    }
    QCOMPARE(browsed.entryNames(rows), names);
}

void TestBrowsedArchive::splitsTypedPaths_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("split");
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QString>("inside");

    QTest::newRow("archive alone") << "box/a.zip" << true << "box/a.zip"
                                   << "";
    QTest::newRow("folder inside") << "box/a.zip/docs/img/" << true << "box/a.zip"
                                   << "docs/img";
    QTest::newRow("tar.gz") << "box/b.tar.gz/x" << true << "box/b.tar.gz"
                            << "x";
    QTest::newRow("a folder") << "box" << false << ""
                              << "";
    QTest::newRow("a plain file") << "box/notes.txt/docs" << false << ""
                                  << "";
    QTest::newRow("nothing there") << "box/missing.zip/docs" << false << ""
                                   << "";
}

void TestBrowsedArchive::splitsTypedPaths()
{
    QFETCH(QString, typed);
    QFETCH(bool, split);
    QFETCH(QString, archive);
    QFETCH(QString, inside);

    QTemporaryDir dir;
    QVERIFY(TestTree::build(
        dir.path(), {{"box/a.zip", "not read"}, {"box/b.tar.gz", "not read"}, {"box/notes.txt", "x"}}));
    QString archivePath;
    QString folderInside;
    QCOMPARE(BrowsedArchive::splitPath(dir.filePath(typed), &archivePath, &folderInside), split);
    if (split) {
        QCOMPARE(archivePath, dir.filePath(archive));
        QCOMPARE(folderInside, inside);
    }
}

QTEST_MAIN(TestBrowsedArchive)
#include "tst_browsedarchive.moc"
