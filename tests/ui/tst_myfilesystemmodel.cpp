#include "myfilesystemmodel.h"

#include <QCoreApplication>
#include <QTranslator>
#include <QtTest>

namespace {

// A catalogue in memory: English heads for the context MyFileSystemModel.
class EnglishHeads : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, "MyFileSystemModel") != 0)
            return {};
        static const QHash<QString, QString> english{
            {QStringLiteral("名称"), QStringLiteral("Name")},
            {QStringLiteral("大小"), QStringLiteral("Size")},
            {QStringLiteral("类型"), QStringLiteral("Type")},
            {QStringLiteral("修改日期"), QStringLiteral("Date Modified")}};
        return english.value(QString::fromUtf8(sourceText));
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class TestMyFileSystemModel : public QObject
{
    Q_OBJECT

private slots:
    void isAFileSystemModel();
    void columnHeads_data();
    void columnHeads();
    void otherRequestsGoToTheBase_data();
    void otherRequestsGoToTheBase();
};

void TestMyFileSystemModel::isAFileSystemModel()
{
    QObject parent;
    auto *model = new MyFileSystemModel(&parent);
    QCOMPARE(model->parent(), &parent);
    QCOMPARE(model->metaObject()->className(), "MyFileSystemModel");
    QVERIFY(model->inherits("QFileSystemModel"));
    QCOMPARE(model->columnCount(), 4);
}

void TestMyFileSystemModel::columnHeads_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("english");

    QTest::newRow("name") << 0 << "名称"
                          << "Name";
    QTest::newRow("size") << 1 << "大小"
                          << "Size";
    QTest::newRow("type") << 2 << "类型"
                          << "Type";
    QTest::newRow("date") << 3 << "修改日期"
                          << "Date Modified";
}

void TestMyFileSystemModel::columnHeads()
{
    QFETCH(int, section);
    QFETCH(QString, source);
    QFETCH(QString, english);

    MyFileSystemModel model;
    QCOMPARE(model.headerData(section, Qt::Horizontal, Qt::DisplayRole).toString(), source);

    // Nothing is cached: the next request after a language switch gets the new text.
    EnglishHeads translator;
    QCoreApplication::installTranslator(&translator);
    QCOMPARE(model.headerData(section, Qt::Horizontal, Qt::DisplayRole).toString(), english);
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(model.headerData(section, Qt::Horizontal, Qt::DisplayRole).toString(), source);
}

void TestMyFileSystemModel::otherRequestsGoToTheBase_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("role");

    QTest::newRow("vertical") << 0 << int(Qt::Vertical) << int(Qt::DisplayRole);
    QTest::newRow("alignment") << 1 << int(Qt::Horizontal) << int(Qt::TextAlignmentRole);
    QTest::newRow("decoration") << 0 << int(Qt::Horizontal) << int(Qt::DecorationRole);
    QTest::newRow("section 4") << 4 << int(Qt::Horizontal) << int(Qt::DisplayRole);
    QTest::newRow("section -1") << -1 << int(Qt::Horizontal) << int(Qt::DisplayRole);
}

void TestMyFileSystemModel::otherRequestsGoToTheBase()
{
    QFETCH(int, section);
    QFETCH(int, orientation);
    QFETCH(int, role);

    MyFileSystemModel model;
    QFileSystemModel base;
    QCOMPARE(model.headerData(section, Qt::Orientation(orientation), role),
             base.headerData(section, Qt::Orientation(orientation), role));
}

QTEST_GUILESS_MAIN(TestMyFileSystemModel)
#include "tst_myfilesystemmodel.moc"
