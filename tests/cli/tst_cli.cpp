// kelvane-cli as scripts use it: the real program, its standard streams on pipes (no terminal), its
// exit codes, what it prints and what it leaves on disk; archives cross-checked with bsdtar and 7z.
#include "clirun.h"
#include "kelvaneversion.h"
#include "sandbox.h"
#include "testtree.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Exit codes, as the help and the manual page promise them.
constexpr int success = 0;
constexpr int failure = 1;
constexpr int badUsage = 2;
constexpr int passwordProblem = 3;

const QString password = QStringLiteral("pa55 wörd");

// Files, an empty file, an empty folder and Chinese names, under one top folder.
TestTree::Tree sampleTree()
{
    return {
        {QStringLiteral("docs/"), {}},
        {QStringLiteral("docs/readme.txt"), "read me\n"},
        {QStringLiteral("docs/报告/"), {}},
        {QStringLiteral("docs/报告/年度.txt"), TestTree::sampleData(70000, 7)},
        {QStringLiteral("docs/empty.txt"), {}},
        {QStringLiteral("docs/nothing/"), {}},
    };
}

QString names(const QSet<QString> &set)
{
    QStringList list(set.cbegin(), set.cend());
    list.sort();
    return list.join(QLatin1String(", "));
}

// What the tree holds as an archive lists it: folders without their trailing slash.
QSet<QString> entryNames(const TestTree::Tree &tree)
{
    QSet<QString> result;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        QString name = it.key();
        if (name.endsWith(QLatin1Char('/')))
            name.chop(1);
        result.insert(name);
    }
    return result;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void usageErrorsDoNothing_data();
    void usageErrorsDoNothing();
    void helpAndVersion();
    void messagesFollowTheLocale_data();
    void messagesFollowTheLocale();
    void everyCommandOnEveryCreatableFormat_data();
    void everyCommandOnEveryCreatableFormat();
    void extractChosenEntries();
    void extractOverAnExistingFile_data();
    void extractOverAnExistingFile();
    void createOverAnExistingArchive_data();
    void createOverAnExistingArchive();
    void passwordsFromStandardInput_data();
    void passwordsFromStandardInput();
    void damagedAndForeignArchivesFail_data();
    void damagedAndForeignArchivesFail();

private:
    QTemporaryDir fixtures;
    QString encryptedZip;
};

void TestCli::initTestCase()
{
    QVERIFY(QFile::exists(QStringLiteral(KELVANE_CLI_PATH)));
    QVERIFY(fixtures.isValid());
    QVERIFY(TestTree::build(fixtures.filePath(QStringLiteral("tree")), sampleTree()));
    encryptedZip = fixtures.filePath(QStringLiteral("secret.zip"));
    CliRun::Options withPassword;
    withPassword.input = password.toUtf8() + '\n';
    const CliRun made = CliRun::run({QStringLiteral("a"), QStringLiteral("--password-stdin"), encryptedZip,
                                     fixtures.filePath(QStringLiteral("tree/docs"))},
                                    withPassword);
    QVERIFY2(made.exitCode == success, qPrintable(made.errors));
    // An independent reader opens it with the same password and no other.
    QCOMPARE(ToolRun::run(QStringLiteral("7z"),
                          {QStringLiteral("t"), QStringLiteral("-p") + password, encryptedZip})
                 .exitCode,
             0);
    QVERIFY(ToolRun::run(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-pwrong"), encryptedZip})
                .exitCode != 0);
}

void TestCli::usageErrorsDoNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    QTest::newRow("no command") << QStringList{} << QStringLiteral("Missing command");
    QTest::newRow("unknown command") << QStringList{QStringLiteral("y"), QStringLiteral("a.zip")}
                                     << QStringLiteral("Unknown command: y");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("l"), QStringLiteral("a.zip"),
                                                   QStringLiteral("-z")}
                                    << QStringLiteral("Unknown option: z");
    QTest::newRow("option of another command")
        << QStringList{QStringLiteral("x"), QStringLiteral("a.zip"), QStringLiteral("--json")}
        << QStringLiteral("Option --json does not apply to command x");
    QTest::newRow("format not known from the name")
        << QStringList{QStringLiteral("a"), QStringLiteral("out.txt"), QStringLiteral(".")}
        << QStringLiteral("Cannot tell from the name which format to create: out.txt");
    QTest::newRow("a format only read")
        << QStringList{QStringLiteral("a"), QStringLiteral("out.iso"), QStringLiteral(".")}
        << QStringLiteral("ISO archives can be read but not created");
    QTest::newRow("tar cannot be encrypted")
        << QStringList{QStringLiteral("a"), QStringLiteral("--password-stdin"), QStringLiteral("out.tar"),
                       QStringLiteral(".")}
        << QStringLiteral("TAR archives cannot be encrypted");
    QTest::newRow("password as an argument")
        << QStringList{QStringLiteral("x"), QStringLiteral("a.zip"), QStringLiteral("-pSECRET")}
        << QStringLiteral("use --password-stdin");
}

void TestCli::usageErrorsDoNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    QTemporaryDir folder;
    QVERIFY(TestTree::writeFile(folder.filePath(QStringLiteral("input.txt")), "input"));
    CliRun::Options options;
    options.workingDirectory = folder.path();
    options.input = "SECRET\n";
    const CliRun run = CliRun::run(arguments, options);
    QCOMPARE(run.exitCode, badUsage);
    QVERIFY2(run.errors.contains(says), qPrintable(run.errors));
    QVERIFY2(run.errors.contains(QLatin1String("Run kelvane-cli --help for usage.")), qPrintable(run.errors));
    QVERIFY2(!run.errors.contains(QLatin1String("SECRET")), qPrintable(run.errors));
    QVERIFY(run.output.isEmpty());
    QCOMPARE(TestTree::snapshot(folder.path()), TestTree::Tree({{QStringLiteral("input.txt"), "input"}}));
}

void TestCli::helpAndVersion()
{
    const CliRun help = CliRun::run({QStringLiteral("--help")});
    QCOMPARE(help.exitCode, success);
    QVERIFY(help.errors.isEmpty());
    const QString text = QString::fromUtf8(help.output);
    for (const char *expected :
         {"kelvane-cli a <archive> <path>...", "kelvane-cli x <archive> [-o <folder>]",
          "kelvane-cli l <archive> [--json]", "kelvane-cli t <archive>", "--password-stdin",
          "--overwrite=<mode>", "*.tar.gz", "Exit status:", "  130   Cancelled"})
        QVERIFY2(text.contains(QLatin1String(expected)), expected);

    const CliRun version = CliRun::run({QStringLiteral("--version")});
    QCOMPARE(version.exitCode, success);
    QCOMPARE(QString::fromUtf8(version.output), QStringLiteral("kelvane-cli " KELVANE_VERSION_TEXT "\n"));
}

void TestCli::messagesFollowTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    // The engine's sentence for a missing archive, and the program's own for a missing command.
    QTest::addColumn<QString>("engineSentence");
    QTest::addColumn<QString>("ownSentence");
    QTest::addColumn<QString>("helpHeading");
    const QString english = QStringLiteral("Compressed file does not exist");
    QTest::newRow("en_US") << QStringLiteral("en_US.UTF-8") << english << QStringLiteral("Missing command")
                           << QStringLiteral("Usage:");
    QTest::newRow("zh_CN") << QStringLiteral("zh_CN.UTF-8") << QStringLiteral("压缩文件不存在")
                           << QStringLiteral("缺少命令") << QStringLiteral("退出状态:");
    QTest::newRow("zh_TW") << QStringLiteral("zh_TW.UTF-8") << QStringLiteral("壓縮檔案不存在")
                           << QStringLiteral("缺少命令") << QStringLiteral("結束狀態:");
    QTest::newRow("zh_HK") << QStringLiteral("zh_HK.UTF-8") << QStringLiteral("壓縮檔案不存在")
                           << QStringLiteral("缺少命令") << QStringLiteral("結束狀態:");
    QTest::newRow("German gets English")
        << QStringLiteral("de_DE.UTF-8") << english << QStringLiteral("Missing command")
        << QStringLiteral("Exit status:");
    QTest::newRow("C gets English") << QStringLiteral("C.UTF-8") << english
                                    << QStringLiteral("Missing command") << QStringLiteral("Exit status:");
}

void TestCli::messagesFollowTheLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, engineSentence);
    QFETCH(QString, ownSentence);
    QFETCH(QString, helpHeading);
    CliRun::Options options;
    options.locale = locale;
    const CliRun missing = CliRun::run({QStringLiteral("t"), QStringLiteral("missing.zip")}, options);
    QCOMPARE(missing.exitCode, failure);
    QCOMPARE(missing.errors, QStringLiteral("kelvane-cli: missing.zip: %1\n").arg(engineSentence));
    const CliRun usage = CliRun::run({}, options);
    QCOMPARE(usage.exitCode, badUsage);
    QVERIFY2(usage.errors.startsWith(QStringLiteral("kelvane-cli: %1\n").arg(ownSentence)),
             qPrintable(usage.errors));
    const CliRun help = CliRun::run({QStringLiteral("-h")}, options);
    QVERIFY(QString::fromUtf8(help.output).contains(helpHeading));
}

void TestCli::everyCommandOnEveryCreatableFormat_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("format");
    QTest::newRow("zip") << QStringLiteral("out.zip") << QStringLiteral("zip");
    QTest::newRow("7z") << QStringLiteral("out.7z") << QStringLiteral("7z");
    QTest::newRow("tar") << QStringLiteral("out.tar") << QStringLiteral("tar");
    QTest::newRow("tar.gz") << QStringLiteral("out.tar.gz") << QStringLiteral("tar.gz");
    QTest::newRow("tgz") << QStringLiteral("out.tgz") << QStringLiteral("tar.gz");
    QTest::newRow("tar.bz2") << QStringLiteral("out.tar.bz2") << QStringLiteral("tar.bz2");
    QTest::newRow("tar.xz") << QStringLiteral("out.tar.xz") << QStringLiteral("tar.xz");
    QTest::newRow("tar.zst") << QStringLiteral("out.tar.zst") << QStringLiteral("tar.zst");
    QTest::newRow("gz alone makes a tar.gz") << QStringLiteral("out.gz") << QStringLiteral("gz");
}

void TestCli::everyCommandOnEveryCreatableFormat()
{
    QFETCH(QString, fileName);
    QFETCH(QString, format);
    QTemporaryDir work;
    const QString archive = work.filePath(fileName);
    CliRun::Options inWork;
    inWork.workingDirectory = work.path();

    // a: relative names, taken from the working folder.
    const CliRun created =
        CliRun::run({QStringLiteral("a"), fileName, fixtures.filePath(QStringLiteral("tree/docs"))}, inWork);
    QVERIFY2(created.exitCode == success, qPrintable(created.errors));
    // Not a terminal: no progress line, no chatter.
    QVERIFY2(created.errors.isEmpty(), qPrintable(created.errors));
    QVERIFY(created.output.isEmpty());
    const QSet<QString> expected = entryNames(sampleTree());

    // An independent reader sees exactly the tree.
    const ToolRun independent = ToolRun::run(QStringLiteral("bsdtar"), {QStringLiteral("-tf"), archive});
    QCOMPARE(independent.exitCode, 0);
    QSet<QString> independentNames;
    for (QString name : independent.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (name.endsWith(QLatin1Char('/')))
            name.chop(1);
        independentNames.insert(name);
    }
    QCOMPARE(names(independentNames), names(expected));

    // l --json, parsed back, against the tree.
    const CliRun listed = CliRun::run({QStringLiteral("l"), QStringLiteral("--json"), fileName}, inWork);
    QVERIFY2(listed.exitCode == success, qPrintable(listed.errors));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(listed.output, &parseError);
    QVERIFY2(parseError.error == QJsonParseError::NoError, qPrintable(parseError.errorString()));
    const QJsonObject root = document.object();
    QCOMPARE(root.value(QLatin1String("archive")).toString(), fileName);
    QCOMPARE(root.value(QLatin1String("format")).toString(), format);
    const TestTree::Tree tree = sampleTree();
    QSet<QString> listedNames;
    for (const QJsonValue &value : root.value(QLatin1String("entries")).toArray()) {
        const QJsonObject entry = value.toObject();
        const QString name = entry.value(QLatin1String("name")).toString();
        listedNames.insert(name);
        const bool folder = tree.contains(name + QLatin1Char('/'));
        QCOMPARE(entry.value(QLatin1String("type")).toString(),
                 folder ? QStringLiteral("folder") : QStringLiteral("file"));
        QCOMPARE(entry.value(QLatin1String("size")).toInteger(), folder ? 0 : tree.value(name).size());
        QCOMPARE(entry.value(QLatin1String("encrypted")).toBool(), false);
        const QJsonValue modified = entry.value(QLatin1String("modified"));
        QVERIFY2(modified.isNull() || QDateTime::fromString(modified.toString(), Qt::ISODate).isValid(),
                 qPrintable(modified.toString()));
    }
    QCOMPARE(names(listedNames), names(expected));

    // l as a table: every name, and the totals.
    const CliRun table = CliRun::run({QStringLiteral("l"), fileName}, inWork);
    QCOMPARE(table.exitCode, success);
    const QString text = QString::fromUtf8(table.output);
    QVERIFY2(text.contains(QStringLiteral("docs/报告/年度.txt")) &&
                 text.contains(QLatin1String("docs/nothing/")),
             qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("Files: 3, folders: 3, bytes: %1\n").arg(70000 + 8)),
             qPrintable(text));

    const CliRun tested = CliRun::run({QStringLiteral("t"), fileName}, inWork);
    QVERIFY2(tested.exitCode == success, qPrintable(tested.errors));
    QCOMPARE(QString::fromUtf8(tested.output), QStringLiteral("Archive OK: %1\n").arg(fileName));

    // x into a folder made on the way, and into the working folder.
    const CliRun extracted = CliRun::run(
        {QStringLiteral("x"), fileName, QStringLiteral("-o"), QStringLiteral("made/here")}, inWork);
    QVERIFY2(extracted.exitCode == success, qPrintable(extracted.errors));
    QVERIFY(extracted.errors.isEmpty() && extracted.output.isEmpty());
    QCOMPARE(TestTree::snapshot(work.filePath(QStringLiteral("made/here"))), tree);
    QDir(work.path()).mkdir(QStringLiteral("current"));
    CliRun::Options inCurrent;
    inCurrent.workingDirectory = work.filePath(QStringLiteral("current"));
    QCOMPARE(CliRun::run({QStringLiteral("x"), archive}, inCurrent).exitCode, success);
    QCOMPARE(TestTree::snapshot(inCurrent.workingDirectory), tree);
}

void TestCli::extractChosenEntries()
{
    QTemporaryDir work;
    const QString archive = work.filePath(QStringLiteral("docs.zip"));
    QCOMPARE(
        CliRun::run({QStringLiteral("a"), archive, fixtures.filePath(QStringLiteral("tree/docs"))}).exitCode,
        success);

    const QString destination = work.filePath(QStringLiteral("chosen"));
    const CliRun chosen = CliRun::run({QStringLiteral("x"), archive, QStringLiteral("-o"), destination,
                                       QStringLiteral("docs/报告"), QStringLiteral("docs/readme.txt")});
    QVERIFY2(chosen.exitCode == success, qPrintable(chosen.errors));
    // Placed below the deepest folder that holds all of them.
    const TestTree::Tree expected{{QStringLiteral("readme.txt"), "read me\n"},
                                  {QStringLiteral("报告/"), {}},
                                  {QStringLiteral("报告/年度.txt"), TestTree::sampleData(70000, 7)}};
    QCOMPARE(TestTree::snapshot(destination), expected);

    const QString untouched = work.filePath(QStringLiteral("untouched"));
    const CliRun missing =
        CliRun::run({QStringLiteral("x"), archive, QStringLiteral("-o"), untouched,
                     QStringLiteral("docs/readme.txt"), QStringLiteral("docs/absent.txt")});
    QCOMPARE(missing.exitCode, failure);
    QVERIFY2(missing.errors.contains(QLatin1String("The archive holds no such item: docs/absent.txt")),
             qPrintable(missing.errors));
    QVERIFY(TestTree::snapshot(untouched).isEmpty());
}

void TestCli::extractOverAnExistingFile_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<TestTree::Tree>("after");
    QTest::addColumn<QString>("says");
    const TestTree::Tree mine{{QStringLiteral("docs/"), {}}, {QStringLiteral("docs/readme.txt"), "mine"}};
    const TestTree::Tree theirs{{QStringLiteral("docs/"), {}},
                                {QStringLiteral("docs/readme.txt"), "read me\n"}};
    TestTree::Tree both = mine;
    both.insert(QStringLiteral("docs/readme (2).txt"), "read me\n");
    const QString refusal =
        QStringLiteral("Not asked, since standard input or standard error is not a terminal");
    QTest::newRow("default: nobody to ask, refused")
        << QStringList{} << failure << mine << QStringLiteral("Already exists, not replaced:");
    QTest::newRow("ask without a terminal: refused")
        << QStringList{QStringLiteral("--overwrite=ask")} << failure << mine << refusal;
    QTest::newRow("replace") << QStringList{QStringLiteral("--overwrite=replace")} << success << theirs
                             << QString();
    QTest::newRow("skip") << QStringList{QStringLiteral("--overwrite=skip")} << success << mine << QString();
    QTest::newRow("rename") << QStringList{QStringLiteral("--overwrite"), QStringLiteral("rename")} << success
                            << both << QString();
}

void TestCli::extractOverAnExistingFile()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(TestTree::Tree, after);
    QFETCH(QString, says);
    Sandbox sandbox;
    const QString archive = sandbox.filePath(QStringLiteral("one.zip"));
    QVERIFY(TestTree::build(sandbox.filePath(QStringLiteral("input")),
                            {{QStringLiteral("docs/readme.txt"), "read me\n"}}));
    QCOMPARE(
        CliRun::run({QStringLiteral("a"), archive, sandbox.filePath(QStringLiteral("input/docs"))}).exitCode,
        success);
    QVERIFY(TestTree::build(sandbox.destination(), {{QStringLiteral("docs/readme.txt"), "mine"}}));
    const TestTree::Tree outside = sandbox.outside();

    const CliRun run = CliRun::run(
        QStringList{QStringLiteral("x"), archive, QStringLiteral("-o"), sandbox.destination()} + options);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.errors));
    QCOMPARE(TestTree::snapshot(sandbox.destination()), after);
    QCOMPARE(sandbox.outside(), outside);
    if (says.isEmpty())
        QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors));
    else
        QVERIFY2(run.errors.contains(says), qPrintable(run.errors));
}

void TestCli::createOverAnExistingArchive_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    // The archives in the folder afterwards, and whether "out.zip" is still the old one.
    QTest::addColumn<QStringList>("archives");
    QTest::addColumn<bool>("oldKept");
    QTest::addColumn<QString>("says");
    const QStringList one{QStringLiteral("out.zip")};
    QTest::newRow("default: nobody to ask, refused")
        << QStringList{} << failure << one << true << QStringLiteral("Already exists, not replaced:");
    QTest::newRow("replace") << QStringList{QStringLiteral("--overwrite=replace")} << success << one << false
                             << QString();
    QTest::newRow("skip") << QStringList{QStringLiteral("--overwrite=skip")} << success << one << true
                          << QStringLiteral("The archive exists and was left alone: ");
    QTest::newRow("rename") << QStringList{QStringLiteral("--overwrite=rename")} << success
                            << QStringList{QStringLiteral("out (2).zip"), QStringLiteral("out.zip")} << true
                            << QStringLiteral("out (2).zip");
}

void TestCli::createOverAnExistingArchive()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QStringList, archives);
    QFETCH(bool, oldKept);
    QFETCH(QString, says);
    QTemporaryDir work;
    QDir(work.path()).mkdir(QStringLiteral("archives"));
    const QString archive = work.filePath(QStringLiteral("archives/out.zip"));
    QVERIFY(TestTree::writeFile(work.filePath(QStringLiteral("new.txt")), "new"));
    const QByteArray old = "not really an archive, but the user's file";
    QVERIFY(TestTree::writeFile(archive, old));

    const CliRun run = CliRun::run(
        QStringList{QStringLiteral("a"), archive, work.filePath(QStringLiteral("new.txt"))} + options);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.errors));
    QCOMPARE(QDir(work.filePath(QStringLiteral("archives"))).entryList(QDir::Files | QDir::Hidden), archives);
    QCOMPARE(TestTree::readFile(archive) == old, oldKept);
    if (says.isEmpty())
        QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors));
    else
        QVERIFY2(run.errors.contains(says), qPrintable(run.errors));
    // Whatever was written is a whole archive holding the new file.
    for (const QString &name : archives) {
        const QString path = work.filePath(QStringLiteral("archives/") + name);
        if (path == archive && oldKept)
            continue;
        const ToolRun listing = ToolRun::run(QStringLiteral("bsdtar"), {QStringLiteral("-tf"), path});
        QCOMPARE(listing.exitCode, 0);
        QCOMPARE(listing.output, QStringLiteral("new.txt\n"));
    }
}

void TestCli::passwordsFromStandardInput_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    const QByteArray right = password.toUtf8() + '\n';
    for (const char *command : {"x", "t"}) {
        QTest::addRow("%s, right password", command) << command << right << success << QString();
        QTest::addRow("%s, right password without a line end", command)
            << command << password.toUtf8() << success << QString();
        QTest::addRow("%s, wrong password", command)
            << command << QByteArray("wrong\n") << passwordProblem << QStringLiteral("Wrong password");
        QTest::addRow("%s, nothing on standard input", command)
            << command << QByteArray() << passwordProblem << QStringLiteral("No password on standard input");
    }
    QTest::newRow("x, no --password-stdin and nobody to ask")
        << QStringLiteral("x-without") << QByteArray() << passwordProblem
        << QStringLiteral("Give the password on standard input with --password-stdin");
}

void TestCli::passwordsFromStandardInput()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    Sandbox sandbox;
    const TestTree::Tree outside = sandbox.outside();
    QStringList arguments;
    if (command == QLatin1String("t"))
        arguments = {QStringLiteral("t"), encryptedZip, QStringLiteral("--password-stdin")};
    else if (command == QLatin1String("x"))
        arguments = {QStringLiteral("x"), encryptedZip, QStringLiteral("-o"), sandbox.destination(),
                     QStringLiteral("--password-stdin")};
    else
        arguments = {QStringLiteral("x"), encryptedZip, QStringLiteral("-o"), sandbox.destination()};
    CliRun::Options options;
    options.input = input;
    const CliRun run = CliRun::run(arguments, options);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.errors));
    QVERIFY2(says.isEmpty() ? run.errors.isEmpty() : run.errors.contains(says), qPrintable(run.errors));
    QVERIFY2(!run.errors.contains(password), "the password was shown");
    QCOMPARE(sandbox.outside(), outside);
    const TestTree::Tree extracted = TestTree::snapshot(sandbox.destination());
    if (command == QLatin1String("x") && exitCode == success)
        QCOMPARE(extracted, sampleTree());
    else
        QVERIFY2(extracted.isEmpty(), qPrintable(QStringList(extracted.keys()).join(QLatin1Char(' '))));
}

void TestCli::damagedAndForeignArchivesFail_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("t") << QStringLiteral("t");
    QTest::newRow("x") << QStringLiteral("x");
    QTest::newRow("l of a text file named .zip") << QStringLiteral("l");
}

void TestCli::damagedAndForeignArchivesFail()
{
    QFETCH(QString, command);
    Sandbox sandbox;
    const QString archive = sandbox.filePath(QStringLiteral("damaged.zip"));
    if (command == QLatin1String("l")) {
        QVERIFY(TestTree::writeFile(archive, "just text, not an archive\n"));
    } else {
        QVERIFY(TestTree::build(sandbox.filePath(QStringLiteral("input")),
                                {{QStringLiteral("data.bin"), TestTree::sampleData(200000, 3)}}));
        QCOMPARE(
            CliRun::run({QStringLiteral("a"), archive, sandbox.filePath(QStringLiteral("input/data.bin"))})
                .exitCode,
            success);
        // One byte in the middle of the compressed data: the checksum no longer matches.
        QByteArray bytes = TestTree::readFile(archive);
        bytes[bytes.size() / 2] = char(bytes.at(bytes.size() / 2) ^ 0x55);
        QVERIFY(TestTree::writeFile(archive, bytes));
    }
    const TestTree::Tree outside = sandbox.outside();
    QStringList arguments{command, archive};
    if (command == QLatin1String("x"))
        arguments << QStringLiteral("-o") << sandbox.destination();
    const CliRun run = CliRun::run(arguments);
    QCOMPARE(run.exitCode, failure);
    QVERIFY2(run.errors.startsWith(QStringLiteral("kelvane-cli: %1: ").arg(archive)), qPrintable(run.errors));
    QVERIFY(run.output.isEmpty());
    QCOMPARE(sandbox.outside(), outside);
    QVERIFY(TestTree::snapshot(sandbox.destination()).isEmpty());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
