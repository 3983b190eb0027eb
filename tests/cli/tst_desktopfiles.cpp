// The desktop files the build writes: every list of file types is the registry's, the launcher takes
// files, the file manager actions call the window's batch commands in three languages, and the
// freedesktop validators accept them.
#include "archiveformat.h"
#include "testtree.h"
#include "toolrun.h"

#include <QRegularExpression>
#include <QTest>

namespace {

const QString appId = QStringLiteral("org.kelvane.kelvane");

// group -> key -> value, as a desktop entry or a Nemo action holds them.
using KeyFile = QMap<QString, QMap<QString, QString>>;

KeyFile readKeyFile(const QString &path)
{
    KeyFile groups;
    QString group;
    for (const QByteArray &rawLine : TestTree::readFile(path).split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            groups[group].insert(line.left(equals), line.mid(equals + 1));
    }
    return groups;
}

QString built(const QString &name)
{
    return QStringLiteral(KELVANE_PACKAGING_BINARY_DIR "/") + name;
}

QString source(const QString &name)
{
    return QStringLiteral(KELVANE_PACKAGING_SOURCE_DIR "/") + name;
}

QString registryList()
{
    return FormatRegistry::extractableMimeTypes().join(QLatin1Char(';')) + QLatin1Char(';');
}

} // namespace

class TestDesktopFiles : public QObject
{
    Q_OBJECT

private slots:
    void typeListsAreTheRegistrys_data();
    void typeListsAreTheRegistrys();
    void appStreamProvidesTheRegistrysTypes();
    void launcherTakesFiles();
    void actionsCallTheBatchCommandsInEveryLanguage_data();
    void actionsCallTheBatchCommandsInEveryLanguage();
    void validatorsAcceptTheFiles_data();
    void validatorsAcceptTheFiles();
};

void TestDesktopFiles::typeListsAreTheRegistrys_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("key");
    QTest::newRow("launcher") << built(appId + QStringLiteral(".desktop")) << QStringLiteral("Desktop Entry")
                              << QStringLiteral("MimeType");
    QTest::newRow("KDE extraction menu")
        << built(QStringLiteral("servicemenus/%1.extract.desktop").arg(appId))
        << QStringLiteral("Desktop Entry") << QStringLiteral("MimeType");
    QTest::newRow("Nemo extract here") << built(QStringLiteral("nemo/%1.extract-here.nemo_action").arg(appId))
                                       << QStringLiteral("Nemo Action") << QStringLiteral("Mimetypes");
    QTest::newRow("Nemo extract to") << built(QStringLiteral("nemo/%1.extract-to.nemo_action").arg(appId))
                                     << QStringLiteral("Nemo Action") << QStringLiteral("Mimetypes");
}

void TestDesktopFiles::typeListsAreTheRegistrys()
{
    QFETCH(QString, path);
    QFETCH(QString, group);
    QFETCH(QString, key);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    QCOMPARE(readKeyFile(path).value(group).value(key), registryList());
}

void TestDesktopFiles::appStreamProvidesTheRegistrysTypes()
{
    const QString metainfo =
        QString::fromUtf8(TestTree::readFile(built(appId + QStringLiteral(".metainfo.xml"))));
    static const QRegularExpression mediatype(QStringLiteral("<mediatype>([^<]*)</mediatype>"));
    QStringList provided;
    for (const QRegularExpressionMatch &match : mediatype.globalMatch(metainfo))
        provided.append(match.captured(1));
    QCOMPARE(provided, FormatRegistry::extractableMimeTypes());
    QVERIFY(metainfo.contains(QLatin1String("<binary>kelvane-cli</binary>")));
}

void TestDesktopFiles::launcherTakesFiles()
{
    const KeyFile launcher = readKeyFile(built(appId + QStringLiteral(".desktop")));
    QCOMPARE(launcher.value(QStringLiteral("Desktop Entry")).value(QStringLiteral("Exec")),
             QStringLiteral("kelvane %F"));
}

void TestDesktopFiles::actionsCallTheBatchCommandsInEveryLanguage_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("exec");
    const QString menus = QStringLiteral("servicemenus/%1.%2.desktop");
    const QString nemo = QStringLiteral("nemo/%1.%2.nemo_action");
    QTest::newRow("KDE extract here")
        << built(menus.arg(appId, QStringLiteral("extract"))) << QStringLiteral("Desktop Action extractHere")
        << QStringLiteral("kelvane --extract-here %F");
    QTest::newRow("KDE extract to") << built(menus.arg(appId, QStringLiteral("extract")))
                                    << QStringLiteral("Desktop Action extractTo")
                                    << QStringLiteral("kelvane --extract-to \"\" %F");
    QTest::newRow("KDE compress") << source(menus.arg(appId, QStringLiteral("compress")))
                                  << QStringLiteral("Desktop Action compress")
                                  << QStringLiteral("kelvane --compress \"\" %F");
    QTest::newRow("Nemo extract here")
        << built(nemo.arg(appId, QStringLiteral("extract-here"))) << QStringLiteral("Nemo Action")
        << QStringLiteral("kelvane --extract-here %F");
    QTest::newRow("Nemo extract to") << built(nemo.arg(appId, QStringLiteral("extract-to")))
                                     << QStringLiteral("Nemo Action")
                                     << QStringLiteral("kelvane --extract-to \"\" %F");
    QTest::newRow("Nemo compress") << source(nemo.arg(appId, QStringLiteral("compress")))
                                   << QStringLiteral("Nemo Action")
                                   << QStringLiteral("kelvane --compress \"\" %F");
}

void TestDesktopFiles::actionsCallTheBatchCommandsInEveryLanguage()
{
    QFETCH(QString, path);
    QFETCH(QString, group);
    QFETCH(QString, exec);
    const QMap<QString, QString> action = readKeyFile(path).value(group);
    QCOMPARE(action.value(QStringLiteral("Exec")), exec);
    const QString english = action.value(QStringLiteral("Name"));
    const QString simplified = action.value(QStringLiteral("Name[zh_CN]"));
    const QString traditional = action.value(QStringLiteral("Name[zh_TW]"));
    QVERIFY(!english.isEmpty() && !simplified.isEmpty() && !traditional.isEmpty());
    QVERIFY(simplified != english && traditional != simplified);
}

void TestDesktopFiles::validatorsAcceptTheFiles_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    const QString validate = QStringLiteral("desktop-file-validate");
    QTest::newRow("launcher") << validate << QStringList{built(appId + QStringLiteral(".desktop"))};
    QTest::newRow("KDE extraction menu")
        << validate << QStringList{built(QStringLiteral("servicemenus/%1.extract.desktop").arg(appId))};
    QTest::newRow("KDE compression menu")
        << validate << QStringList{source(QStringLiteral("servicemenus/%1.compress.desktop").arg(appId))};
    QTest::newRow("AppStream") << QStringLiteral("appstreamcli")
                               << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                                              QStringLiteral("--pedantic"),
                                              built(appId + QStringLiteral(".metainfo.xml"))};
}

void TestDesktopFiles::validatorsAcceptTheFiles()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    const ToolRun run = ToolRun::run(program, arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.output));
    // desktop-file-validate reports some errors and every hint with a zero exit status.
    if (program == QLatin1String("desktop-file-validate"))
        QVERIFY2(run.output.isEmpty(), qPrintable(run.output));
}

QTEST_GUILESS_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
