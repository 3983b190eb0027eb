// The window program's command line: each form, the classification of a path given alone, and the
// command lines refused as bad usage.
#include "startuparguments.h"
#include "testtree.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(StartupRequest::Action)

class TestStartupArguments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        QVERIFY(TestTree::build(work.path(), {{QStringLiteral("folder/"), {}},
                                              {QStringLiteral("photos.tar.gz"), "x"},
                                              {QStringLiteral("notes.txt"), "x"},
                                              {QStringLiteral("a.zip"), "x"},
                                              {QStringLiteral("b.7z"), "x"}}));
        QDir::setCurrent(work.path());
    }

    void forms_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<StartupRequest::Action>("action");
        // Relative to the work folder; "" stays empty.
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("paths");

        using A = StartupRequest::Action;
        const QStringList none;
        QTest::newRow("nothing") << none << A::OpenWindow << QString() << none;
        QTest::newRow("folder") << QStringList{"folder"} << A::OpenFolder << "folder" << none;
        QTest::newRow("archive by its name")
            << QStringList{"photos.tar.gz"} << A::OpenArchive << "photos.tar.gz" << none;
        QTest::newRow("other file") << QStringList{"notes.txt"} << A::ShowFile << "notes.txt" << none;
        QTest::newRow("missing") << QStringList{"gone.zip"} << A::MissingPath << "gone.zip" << none;
        QTest::newRow("several: the first decides")
            << QStringList{"notes.txt", "a.zip"} << A::ShowFile << "notes.txt" << none;
        QTest::newRow("a path after --") << QStringList{"--", "folder"} << A::OpenFolder << "folder" << none;
        QTest::newRow("extract here") << QStringList{"--extract-here", "a.zip", "b.7z"} << A::ExtractHere
                                      << QString() << QStringList{"a.zip", "b.7z"};
        QTest::newRow("extract to") << QStringList{"--extract-to", "out", "a.zip"} << A::ExtractTo << "out"
                                    << QStringList{"a.zip"};
        QTest::newRow("extract to, = form")
            << QStringList{"--extract-to=out", "a.zip"} << A::ExtractTo << "out" << QStringList{"a.zip"};
        QTest::newRow("extract to, folder to ask") << QStringList{"--extract-to", "", "a.zip", "b.7z"}
                                                   << A::ExtractTo << "" << QStringList{"a.zip", "b.7z"};
        QTest::newRow("compress") << QStringList{"--compress", "new.tar.xz", "folder", "notes.txt"}
                                  << A::Compress << "new.tar.xz" << QStringList{"folder", "notes.txt"};
        QTest::newRow("compress, name to ask")
            << QStringList{"--compress", "", "notes.txt"} << A::Compress << "" << QStringList{"notes.txt"};
        QTest::newRow("test") << QStringList{"--test", "a.zip"} << A::Test << QString()
                              << QStringList{"a.zip"};
        QTest::newRow("help") << QStringList{"--help"} << A::ShowHelp << QString() << none;
        QTest::newRow("help, short") << QStringList{"-h", "a.zip"} << A::ShowHelp << QString() << none;
        QTest::newRow("help, all") << QStringList{"--help-all"} << A::ShowHelp << QString() << none;
        QTest::newRow("version") << QStringList{"--version"} << A::ShowVersion << QString() << none;
    }

    void forms()
    {
        QFETCH(QStringList, arguments);
        QFETCH(StartupRequest::Action, action);
        QFETCH(QString, target);
        QFETCH(QStringList, paths);

        StartupArguments parser;
        QVERIFY2(parser.parse(QStringList{"kelvane"} + arguments), qPrintable(parser.error()));
        const StartupRequest request = parser.request();
        QCOMPARE(request.action, action);
        QCOMPARE(request.target, target.isEmpty() ? QString() : work.filePath(target));
        QStringList absolutePaths;
        for (const QString &path : paths)
            absolutePaths.append(work.filePath(path));
        QCOMPARE(request.paths, absolutePaths);
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("errorPart");

        QTest::newRow("unknown option") << QStringList{"--frobnicate", "a.zip"} << "frobnicate";
        QTest::newRow("two commands") << QStringList{"--test", "--extract-here", "a.zip"} << "--extract-here";
        QTest::newRow("a command twice")
            << QStringList{"--compress", "x.zip", "--compress", "y.zip", "notes.txt"} << "--compress";
        QTest::newRow("extract here without archives") << QStringList{"--extract-here"} << "--extract-here";
        QTest::newRow("test without archives") << QStringList{"--test"} << "--test";
        QTest::newRow("extract to without archives") << QStringList{"--extract-to", "out"} << "--extract-to";
        QTest::newRow("extract to without its folder") << QStringList{"--extract-to"} << "extract-to";
        QTest::newRow("compress without paths") << QStringList{"--compress", "x.zip"} << "--compress";
        QTest::newRow("an empty path") << QStringList{"--test", "a.zip", ""} << "路径";
    }

    void badUsage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, errorPart);

        StartupArguments parser;
        QVERIFY(!parser.parse(QStringList{"kelvane"} + arguments));
        QVERIFY2(parser.error().contains(errorPart), qPrintable(parser.error()));
        QCOMPARE(parser.request().action, StartupRequest::Action::OpenWindow);
    }

    void helpNamesEveryCommand()
    {
        const QString help = StartupArguments::helpText();
        for (const char *option :
             {"--extract-here", "--extract-to", "--compress", "--test", "--help", "--version"})
            QVERIFY2(help.contains(QLatin1String(option)), option);
        QVERIFY(help.contains(QStringLiteral("130")));
    }

    // Every command line the launcher and the file managers' actions run, with two selected items for
    // %F, is one this program takes: the launcher's opens the window, each action's runs its command.
    void packagingCommandLines()
    {
        const QDir packaging(QStringLiteral(KELVANE_PACKAGING_SOURCE_DIR));
        const QStringList files{QStringLiteral("org.kelvane.kelvane.desktop.in"),
                                QStringLiteral("servicemenus/org.kelvane.kelvane.compress.desktop"),
                                QStringLiteral("servicemenus/org.kelvane.kelvane.extract.desktop.in"),
                                QStringLiteral("nemo/org.kelvane.kelvane.compress.nemo_action"),
                                QStringLiteral("nemo/org.kelvane.kelvane.extract-here.nemo_action.in"),
                                QStringLiteral("nemo/org.kelvane.kelvane.extract-to.nemo_action.in")};
        QSet<StartupRequest::Action> actions;
        for (const QString &file : files) {
            QFile desktopFile(packaging.filePath(file));
            QVERIFY2(desktopFile.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(file));
            for (const QByteArray &line : desktopFile.readAll().split('\n')) {
                if (!line.startsWith("Exec="))
                    continue;
                QStringList arguments = splitExec(QString::fromUtf8(line.mid(5)));
                QVERIFY2(arguments.removeAll(QStringLiteral("%F")) == 1, line.constData());
                QCOMPARE(arguments.first(), QStringLiteral("kelvane"));
                arguments << QStringLiteral("a.zip") << QStringLiteral("b.7z");
                StartupArguments parser;
                QVERIFY2(parser.parse(arguments), qPrintable(file + QLatin1String(": ") + parser.error()));
                const StartupRequest request = parser.request();
                QVERIFY2(request.isBatch() || request.action == StartupRequest::Action::OpenArchive,
                         line.constData());
                if (request.isBatch())
                    QCOMPARE(request.paths, (QStringList{work.filePath("a.zip"), work.filePath("b.7z")}));
                actions.insert(request.action);
            }
        }
        QCOMPARE(actions, (QSet<StartupRequest::Action>{
                              StartupRequest::Action::OpenArchive, StartupRequest::Action::ExtractHere,
                              StartupRequest::Action::ExtractTo, StartupRequest::Action::Compress}));
    }

private:
    // An Exec value split as the desktop entry rules say: words, or double-quoted arguments.
    static QStringList splitExec(const QString &exec)
    {
        QStringList words;
        QString word;
        bool quoted = false;
        bool inWord = false;
        for (const QChar character : exec) {
            if (character == QLatin1Char('"')) {
                quoted = !quoted;
                inWord = true;
            } else if (character == QLatin1Char(' ') && !quoted) {
                if (inWord)
                    words.append(word);
                word.clear();
                inWord = false;
            } else {
                word.append(character);
                inWord = true;
            }
        }
        if (inWord)
            words.append(word);
        return words;
    }

    QTemporaryDir work;
};

QTEST_GUILESS_MAIN(TestStartupArguments)
#include "tst_startuparguments.moc"
