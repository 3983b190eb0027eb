// The command line of kelvane-cli as the parser reads it: every command and option form, and every
// refusal, without running anything.
#include "cliargumentparser.h"

#include <QTest>

Q_DECLARE_METATYPE(CliArgumentParser::Outcome)
Q_DECLARE_METATYPE(CliCommand)
Q_DECLARE_METATYPE(OverwriteMode)

class TestCliArgumentParser : public QObject
{
    Q_OBJECT

private slots:
    void acceptedForms_data();
    void acceptedForms();
    void refusedForms_data();
    void refusedForms();
    void passwordArgumentsAreRefusedUnrepeated_data();
    void passwordArgumentsAreRefusedUnrepeated();
    void helpAndVersionNeedNoCommand_data();
    void helpAndVersionNeedNoCommand();
};

namespace {

QStringList commandLine(const QString &arguments)
{
    return QStringList{QStringLiteral("kelvane-cli")} + arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

void TestCliArgumentParser::acceptedForms_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CliCommand>("command");
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("outputFolder");
    QTest::addColumn<bool>("json");
    QTest::addColumn<bool>("passwordFromStdin");
    QTest::addColumn<OverwriteMode>("overwrite");

    const auto add = [](const char *name, const QString &line, CliCommand command, const QString &archive,
                        const QStringList &paths, const QString &output = {}, bool json = false,
                        bool password = false, OverwriteMode overwrite = OverwriteMode::Ask) {
        QTest::newRow(name) << commandLine(line) << command << archive << paths << output << json << password
                            << overwrite;
    };
    add("a", QStringLiteral("a out.zip one two"), CliCommand::Add, QStringLiteral("out.zip"),
        {QStringLiteral("one"), QStringLiteral("two")});
    add("add, long name", QStringLiteral("add out.7z dir"), CliCommand::Add, QStringLiteral("out.7z"),
        {QStringLiteral("dir")});
    add("a with password and overwrite", QStringLiteral("a --password-stdin out.zip in --overwrite=rename"),
        CliCommand::Add, QStringLiteral("out.zip"), {QStringLiteral("in")}, {}, false, true,
        OverwriteMode::Rename);
    add("x", QStringLiteral("x in.zip"), CliCommand::Extract, QStringLiteral("in.zip"), {});
    add("x with entries and -o", QStringLiteral("x in.zip -o out a/b c"), CliCommand::Extract,
        QStringLiteral("in.zip"), {QStringLiteral("a/b"), QStringLiteral("c")}, QStringLiteral("out"));
    add("extract, --output=", QStringLiteral("extract --output=out in.tar.gz"), CliCommand::Extract,
        QStringLiteral("in.tar.gz"), {}, QStringLiteral("out"));
    add("x --overwrite replace, separate value", QStringLiteral("x in.zip --overwrite replace"),
        CliCommand::Extract, QStringLiteral("in.zip"), {}, {}, false, false, OverwriteMode::Replace);
    add("x --overwrite=skip", QStringLiteral("x in.zip --overwrite=skip"), CliCommand::Extract,
        QStringLiteral("in.zip"), {}, {}, false, false, OverwriteMode::Skip);
    add("x --overwrite=ask", QStringLiteral("x in.zip --overwrite=ask"), CliCommand::Extract,
        QStringLiteral("in.zip"), {}, {}, false, false, OverwriteMode::Ask);
    add("x: names after -- may start with -", QStringLiteral("x in.zip -- -o --json"), CliCommand::Extract,
        QStringLiteral("in.zip"), {QStringLiteral("-o"), QStringLiteral("--json")});
    add("x: -p after -- is a name", QStringLiteral("x in.zip -- -pname"), CliCommand::Extract,
        QStringLiteral("in.zip"), {QStringLiteral("-pname")});
    add("l", QStringLiteral("l in.zip"), CliCommand::List, QStringLiteral("in.zip"), {});
    add("list --json first", QStringLiteral("list --json in.zip"), CliCommand::List, QStringLiteral("in.zip"),
        {}, {}, true);
    add("t with password", QStringLiteral("t in.7z --password-stdin"), CliCommand::Test,
        QStringLiteral("in.7z"), {}, {}, false, true);
}

void TestCliArgumentParser::acceptedForms()
{
    QFETCH(QStringList, arguments);
    CliArgumentParser parser;
    QCOMPARE(parser.parse(arguments), CliArgumentParser::Outcome::Run);
    QVERIFY(parser.error().isEmpty());
    const CliArguments &parsed = parser.arguments();
    QTEST(parsed.command, "command");
    QTEST(parsed.archivePath, "archive");
    QTEST(parsed.paths, "paths");
    QTEST(parsed.outputFolder, "outputFolder");
    QTEST(parsed.json, "json");
    QTEST(parsed.passwordFromStdin, "passwordFromStdin");
    QTEST(parsed.overwrite, "overwrite");
}

void TestCliArgumentParser::refusedForms_data()
{
    QTest::addColumn<QStringList>("arguments");
    // A piece of the (untranslated) message that says what is wrong.
    QTest::addColumn<QString>("says");

    const auto add = [](const char *name, const QStringList &arguments, const char *says) {
        QTest::newRow(name) << (QStringList{QStringLiteral("kelvane-cli")} + arguments)
                            << QString::fromUtf8(says);
    };
    add("nothing", {}, "缺少命令");
    add("unknown command", {QStringLiteral("extractall"), QStringLiteral("in.zip")}, "未知命令: extractall");
    add("no archive", {QStringLiteral("x")}, "缺少压缩包");
    add("empty archive name", {QStringLiteral("l"), QString()}, "缺少压缩包");
    add("a without inputs", {QStringLiteral("a"), QStringLiteral("out.zip")}, "缺少要压缩的文件或文件夹");
    add("a with an empty input", {QStringLiteral("a"), QStringLiteral("out.zip"), QString()},
        "要压缩的路径为空");
    add("l with more", {QStringLiteral("l"), QStringLiteral("in.zip"), QStringLiteral("extra")},
        "多余的参数: extra");
    add("t with more", {QStringLiteral("t"), QStringLiteral("in.zip"), QStringLiteral("extra")},
        "多余的参数: extra");
    add("-o with l",
        {QStringLiteral("l"), QStringLiteral("in.zip"), QStringLiteral("-o"), QStringLiteral("d")},
        "选项 --output 不适用于命令 l");
    add("--json with x", {QStringLiteral("x"), QStringLiteral("in.zip"), QStringLiteral("--json")},
        "选项 --json 不适用于命令 x");
    add("--overwrite with t",
        {QStringLiteral("t"), QStringLiteral("in.zip"), QStringLiteral("--overwrite=skip")},
        "选项 --overwrite 不适用于命令 t");
    add("unknown overwrite mode",
        {QStringLiteral("x"), QStringLiteral("in.zip"), QStringLiteral("--overwrite=all")},
        "--overwrite 的值无效: all");
    add("empty -o", {QStringLiteral("x"), QStringLiteral("in.zip"), QStringLiteral("-o"), QString()},
        "解压目标文件夹为空");
    add("unknown option", {QStringLiteral("x"), QStringLiteral("in.zip"), QStringLiteral("--force")},
        "未知选项: force");
    add("-o without value", {QStringLiteral("x"), QStringLiteral("in.zip"), QStringLiteral("-o")}, "-o");
}

void TestCliArgumentParser::refusedForms()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    CliArgumentParser parser;
    QCOMPARE(parser.parse(arguments), CliArgumentParser::Outcome::BadUsage);
    QVERIFY2(parser.error().contains(says), qPrintable(parser.error()));
}

void TestCliArgumentParser::passwordArgumentsAreRefusedUnrepeated_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("-pSECRET") << commandLine(QStringLiteral("x in.zip -pSECRET"));
    QTest::newRow("-p SECRET") << commandLine(QStringLiteral("x -p SECRET in.zip"));
    QTest::newRow("--password=SECRET") << commandLine(QStringLiteral("t in.zip --password=SECRET"));
    QTest::newRow("--password SECRET") << commandLine(QStringLiteral("l --password SECRET in.zip"));
    QTest::newRow("--passwd=SECRET") << commandLine(QStringLiteral("a out.zip in --passwd=SECRET"));
    QTest::newRow("--password-stdin=SECRET")
        << commandLine(QStringLiteral("x in.zip --password-stdin=SECRET"));
    QTest::newRow("before the command") << commandLine(QStringLiteral("-pSECRET x in.zip"));
}

void TestCliArgumentParser::passwordArgumentsAreRefusedUnrepeated()
{
    QFETCH(QStringList, arguments);
    CliArgumentParser parser;
    QCOMPARE(parser.parse(arguments), CliArgumentParser::Outcome::BadUsage);
    QVERIFY2(parser.error().contains(QLatin1String("--password-stdin")), qPrintable(parser.error()));
    QVERIFY2(!parser.error().contains(QLatin1String("SECRET")), qPrintable(parser.error()));
}

void TestCliArgumentParser::helpAndVersionNeedNoCommand_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CliArgumentParser::Outcome>("outcome");
    QTest::newRow("--help") << commandLine(QStringLiteral("--help")) << CliArgumentParser::Outcome::ShowHelp;
    QTest::newRow("-h after a command")
        << commandLine(QStringLiteral("x in.zip -h")) << CliArgumentParser::Outcome::ShowHelp;
    QTest::newRow("--version") << commandLine(QStringLiteral("--version"))
                               << CliArgumentParser::Outcome::ShowVersion;
    QTest::newRow("-V") << commandLine(QStringLiteral("-V")) << CliArgumentParser::Outcome::ShowVersion;
}

void TestCliArgumentParser::helpAndVersionNeedNoCommand()
{
    QFETCH(QStringList, arguments);
    CliArgumentParser parser;
    QTEST(parser.parse(arguments), "outcome");
}

QTEST_GUILESS_MAIN(TestCliArgumentParser)
#include "tst_cliargumentparser.moc"
