// kelvane-cli at a terminal: the progress line, Ctrl+C (SIGINT) and SIGTERM in the middle of a and x
// leaving nothing partial, passwords typed without echo, and the replace questions. The program runs
// on a pseudo-terminal as a person would run it.
#include "clirun.h"
#include "pseudoterminal.h"
#include "testtree.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

constexpr int cancelled = 130;
constexpr int waitMs = 120000;

const QByteArray password = "terminal secret";

// Names and sizes below root, links and hidden items included; cheaper than whole contents for the
// large trees here.
QStringList listing(const QString &root)
{
    QStringList result;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        result.append(QStringLiteral("%1 %2").arg(base.relativeFilePath(path)).arg(it.fileInfo().size()));
    }
    result.sort();
    return result;
}

// The percentage the progress line shows last; -1 before it shows.
int shownPercent(const QByteArray &transcript)
{
    static const QRegularExpression percent(QStringLiteral("\\] +(\\d+)%"));
    int last = -1;
    for (const QRegularExpressionMatch &match : percent.globalMatch(QString::fromUtf8(transcript)))
        last = match.captured(1).toInt();
    return last;
}

} // namespace

class TestCliTerminal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void interruptLeavesNothingPartial_data();
    void interruptLeavesNothingPartial();
    void passwordIsTypedWithoutEcho_data();
    void passwordIsTypedWithoutEcho();
    void interruptAtThePasswordPromptRestoresEcho();
    void replaceQuestion_data();
    void replaceQuestion();
    void replaceTheArchiveQuestion_data();
    void replaceTheArchiveQuestion();

private:
    // Starts kelvane-cli on the terminal.
    void start(QProcess &process, PseudoTerminal &terminal, const QStringList &arguments,
               const QString &workingDirectory = QString());

    QTemporaryDir fixtures;
    QString bigInput;
    QString encryptedZip;
    QString twoFilesZip;
};

void TestCliTerminal::start(QProcess &process, PseudoTerminal &terminal, const QStringList &arguments,
                            const QString &workingDirectory)
{
    process.setProcessEnvironment(CliRun::environment(QStringLiteral("en_US.UTF-8")));
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    terminal.attach(process);
    process.start(QStringLiteral(KELVANE_CLI_PATH), arguments);
    QVERIFY(process.waitForStarted());
}

void TestCliTerminal::initTestCase()
{
    QVERIFY(fixtures.isValid());
    PseudoTerminal probe;
    QVERIFY2(probe.isOpen(), "no pseudo-terminal");

    // Inputs that keep a and x busy for a good while even on a fast, idle machine: incompressible data
    // the compressor cannot make short work of, and many small files, whose creation an extraction
    // cannot hurry (large files it merely copies).
    bigInput = fixtures.filePath(QStringLiteral("big"));
    TestTree::Tree big;
    for (int index = 0; index < 24; ++index)
        big.insert(QStringLiteral("part%1.bin").arg(index, 2, 10, QLatin1Char('0')),
                   TestTree::randomBytes(4 << 20));
    QVERIFY(TestTree::build(bigInput, big));
    const QString manyInput = fixtures.filePath(QStringLiteral("many"));
    TestTree::Tree many;
    for (int index = 0; index < 20000; ++index)
        many.insert(QStringLiteral("d%1/f%2.bin")
                        .arg(index % 100, 2, 10, QLatin1Char('0'))
                        .arg(index, 5, 10, QLatin1Char('0')),
                    TestTree::randomBytes(4096));
    QVERIFY(TestTree::build(manyInput, many));
    for (const QString &suffix : {QStringLiteral("zip"), QStringLiteral("tar.gz")}) {
        const QString archive = fixtures.filePath(QStringLiteral("many.") + suffix);
        const CliRun made = CliRun::run({QStringLiteral("a"), archive, manyInput});
        QVERIFY2(made.exitCode == 0, qPrintable(made.errors));
    }

    encryptedZip = fixtures.filePath(QStringLiteral("secret.zip"));
    QVERIFY(TestTree::build(
        fixtures.filePath(QStringLiteral("small")),
        {{QStringLiteral("a.txt"), "from the archive a"}, {QStringLiteral("b.txt"), "from the archive b"}}));
    CliRun::Options withPassword;
    withPassword.input = password + '\n';
    QCOMPARE(CliRun::run({QStringLiteral("a"), QStringLiteral("--password-stdin"), encryptedZip,
                          fixtures.filePath(QStringLiteral("small/a.txt"))},
                         withPassword)
                 .exitCode,
             0);
    twoFilesZip = fixtures.filePath(QStringLiteral("two.zip"));
    QCOMPARE(CliRun::run({QStringLiteral("a"), twoFilesZip, fixtures.filePath(QStringLiteral("small/a.txt")),
                          fixtures.filePath(QStringLiteral("small/b.txt"))})
                 .exitCode,
             0);
}

void TestCliTerminal::interruptLeavesNothingPartial_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("suffix");
    // Ctrl+C typed at the terminal reaches the whole foreground group, the engine's tar and gzip
    // too; SIGTERM only the program.
    QTest::addColumn<bool>("typed");
    for (const char *command : {"a", "x"}) {
        QTest::addRow("%s zip, Ctrl+C", command) << command << QStringLiteral("zip") << true;
        QTest::addRow("%s zip, SIGTERM", command) << command << QStringLiteral("zip") << false;
        QTest::addRow("%s tar.gz, Ctrl+C", command) << command << QStringLiteral("tar.gz") << true;
    }
}

void TestCliTerminal::interruptLeavesNothingPartial()
{
    QFETCH(QString, command);
    QFETCH(QString, suffix);
    QFETCH(bool, typed);
    QTemporaryDir work;
    // x lands among files already there; a writes into a folder of its own.
    const QString target = work.filePath(QStringLiteral("target"));
    // An older copy of an item the archive brings, to be replaced and then put back.
    const QString older = QStringLiteral("many/d05/f00005.bin");
    QVERIFY(
        TestTree::build(target, {{QStringLiteral("keep.txt"), "already here"}, {older, "an older copy"}}));
    const QStringList before = listing(target);
    const QStringList arguments =
        command == QLatin1String("a")
            ? QStringList{QStringLiteral("a"), target + QStringLiteral("/big.") + suffix, bigInput}
            : QStringList{QStringLiteral("x"), fixtures.filePath(QStringLiteral("many.") + suffix),
                          QStringLiteral("-o"), target, QStringLiteral("--overwrite=replace")};

    PseudoTerminal terminal;
    QProcess process;
    start(process, terminal, arguments);
    // The progress line shows the operation well under way, far from its end.
    const bool underWay = terminal.waitFor(
        process,
        [](const QByteArray &so) {
            const int percent = shownPercent(so);
            return percent >= 1;
        },
        waitMs);
    QVERIFY2(underWay, qPrintable(terminal.text()));
    // On a quiet machine the ZIP reader passes half the archive before the first throttled line; any
    // point short of the end still tests an interrupt in the middle.
    QVERIFY2(shownPercent(terminal.transcript()) < 90, qPrintable(terminal.text()));
    if (typed)
        terminal.type("\x03");
    else
        QCOMPARE(::kill(pid_t(process.processId()), SIGTERM), 0);
    QVERIFY(terminal.waitForExit(process, waitMs));

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), cancelled);
    QVERIFY2(terminal.text().endsWith(QStringLiteral("Operation cancelled\r\n")),
             qPrintable(terminal.text()));
    QCOMPARE(listing(target), before);
    QCOMPARE(TestTree::readFile(target + QLatin1Char('/') + older), QByteArray("an older copy"));
}

void TestCliTerminal::passwordIsTypedWithoutEcho_data()
{
    QTest::addColumn<QStringList>("arguments");
    // The prompts to wait for and the lines to type, in turn.
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<QList<QByteArray>>("answers");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("ends");
    const QString prompt = QStringLiteral("Password for secret.zip: ");
    const QByteArray right = password + '\n';
    QTest::newRow("asked, right") << QStringList{QStringLiteral("t")} << QStringList{prompt}
                                  << QList<QByteArray>{right} << 0 << QStringLiteral("Archive OK");
    QTest::newRow("asked, wrong then right")
        << QStringList{QStringLiteral("t")}
        << QStringList{prompt, QStringLiteral("Wrong password\r\n") + prompt}
        << QList<QByteArray>{"guess\n", right} << 0 << QStringLiteral("Archive OK");
    QTest::newRow("asked, wrong three times")
        << QStringList{QStringLiteral("t")} << QStringList{prompt, prompt, prompt}
        << QList<QByteArray>{"guess 1\n", "guess 2\n", "guess 3\n"} << 3
        << QStringLiteral("Wrong password\r\n");
    QTest::newRow("asked, end of input")
        << QStringList{QStringLiteral("t")} << QStringList{prompt} << QList<QByteArray>{"\x04"} << cancelled
        << QStringLiteral("Operation cancelled\r\n");
    QTest::newRow("--password-stdin typed at the terminal")
        << QStringList{QStringLiteral("t"), QStringLiteral("--password-stdin")}
        << QStringList{QStringLiteral("Password: ")} << QList<QByteArray>{right} << 0
        << QStringLiteral("Archive OK");
}

void TestCliTerminal::passwordIsTypedWithoutEcho()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, prompts);
    QFETCH(QList<QByteArray>, answers);
    QFETCH(int, exitCode);
    QFETCH(QString, ends);
    arguments.insert(1, encryptedZip);
    PseudoTerminal terminal;
    QProcess process;
    start(process, terminal, arguments);
    qsizetype seen = 0;
    for (qsizetype turn = 0; turn < prompts.size(); ++turn) {
        const QByteArray promptBytes = prompts.at(turn).toUtf8();
        QVERIFY2(
            terminal.waitFor(
                process, [&](const QByteArray &so) { return so.indexOf(promptBytes, seen) >= 0; }, waitMs),
            qPrintable(terminal.text()));
        seen = terminal.transcript().indexOf(promptBytes, seen) + promptBytes.size();
        terminal.type(answers.at(turn));
    }
    QVERIFY(terminal.waitForExit(process, waitMs));
    QCOMPARE(process.exitCode(), exitCode);
    const QString shown = terminal.text() + QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(shown.contains(ends), qPrintable(shown));
    for (const QByteArray &answer : answers) {
        if (answer.size() > 2)
            QVERIFY2(!terminal.transcript().contains(answer.trimmed()), "a typed password was echoed");
    }
    QVERIFY(terminal.echoes());
}

void TestCliTerminal::interruptAtThePasswordPromptRestoresEcho()
{
    PseudoTerminal terminal;
    QProcess process;
    start(process, terminal, {QStringLiteral("t"), encryptedZip});
    QVERIFY2(terminal.waitForText(process, QStringLiteral("Password for secret.zip: "), waitMs),
             qPrintable(terminal.text()));
    QVERIFY(!terminal.echoes());
    QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
    QVERIFY(terminal.waitForExit(process, waitMs));
    QCOMPARE(process.exitCode(), cancelled);
    QVERIFY(terminal.echoes());
}

void TestCliTerminal::replaceQuestion_data()
{
    QTest::addColumn<QList<QByteArray>>("answers");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("r, s") << QList<QByteArray>{"r\n", "s\n"} << 0;
    QTest::newRow("k, r") << QList<QByteArray>{"k\n", "r\n"} << 0;
    QTest::newRow("R answers both") << QList<QByteArray>{"R\n"} << 0;
    QTest::newRow("S answers both") << QList<QByteArray>{"S\n"} << 0;
    QTest::newRow("K answers both") << QList<QByteArray>{"K\n"} << 0;
    QTest::newRow("nonsense is asked again") << QList<QByteArray>{"what\n", "rs\n", "s\n", "s\n"} << 0;
    QTest::newRow("r, then c takes everything back") << QList<QByteArray>{"r\n", "c\n"} << cancelled;
}

void TestCliTerminal::replaceQuestion()
{
    QFETCH(QList<QByteArray>, answers);
    QFETCH(int, exitCode);
    const TestTree::Tree mine{{QStringLiteral("a.txt"), "mine a"}, {QStringLiteral("b.txt"), "mine b"}};
    QTemporaryDir work;
    QVERIFY(TestTree::build(work.path(), mine));
    PseudoTerminal terminal;
    QProcess process;
    start(process, terminal, {QStringLiteral("x"), twoFilesZip}, work.path());
    const QByteArray question = "cancel c";
    qsizetype seen = 0;
    for (const QByteArray &answer : answers) {
        QVERIFY2(terminal.waitFor(
                     process, [&](const QByteArray &so) { return so.indexOf(question, seen) >= 0; }, waitMs),
                 qPrintable(terminal.text()));
        seen = terminal.transcript().indexOf(question, seen) + question.size();
        terminal.type(answer);
    }
    QVERIFY(terminal.waitForExit(process, waitMs));
    QVERIFY2(process.exitCode() == exitCode, qPrintable(terminal.text()));

    // Each question names the existing item and the entry the archive brings, in the order the
    // extraction meets the clashes.
    static const QRegularExpression asked(QStringLiteral(
        "Exists: (.*)/(\\w)\\.txt \\(6 bytes, [^)]*\\)\\r\\nIn the archive: \\2\\.txt \\(18 bytes"));
    QStringList clashes;
    for (const QRegularExpressionMatch &match : asked.globalMatch(terminal.text())) {
        QCOMPARE(match.captured(1), work.path());
        clashes.append(match.captured(2));
    }
    QVERIFY2(!clashes.isEmpty(), qPrintable(terminal.text()));
    // A capital letter answers the later clash without a question.
    if (clashes.size() == 1)
        clashes.append(clashes.constFirst() == QLatin1String("a") ? QStringLiteral("b")
                                                                  : QStringLiteral("a"));

    TestTree::Tree expected = mine;
    if (exitCode == 0) {
        QByteArray choices;
        for (const QByteArray &answer : answers) {
            if (answer.trimmed().size() == 1)
                choices.append(answer.at(0));
        }
        for (qsizetype index = 0; index < clashes.size(); ++index) {
            const char choice =
                QChar::fromLatin1(choices.at(std::min(index, choices.size() - 1))).toLower().toLatin1();
            const QByteArray theirs = "from the archive " + clashes.at(index).toLatin1();
            if (choice == 'r')
                expected.insert(clashes.at(index) + QStringLiteral(".txt"), theirs);
            else if (choice == 'k')
                expected.insert(clashes.at(index) + QStringLiteral(" (2).txt"), theirs);
        }
    }
    QCOMPARE(TestTree::snapshot(work.path()), expected);
}

void TestCliTerminal::replaceTheArchiveQuestion_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("y") << QByteArray("y\n") << 0 << true;
    QTest::newRow("n") << QByteArray("n\n") << cancelled << false;
    QTest::newRow("Enter keeps it") << QByteArray("\n") << cancelled << false;
}

void TestCliTerminal::replaceTheArchiveQuestion()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, exitCode);
    QFETCH(bool, replaced);
    QTemporaryDir work;
    const QString archive = work.filePath(QStringLiteral("out.zip"));
    QVERIFY(TestTree::writeFile(archive, "the user's old file"));
    PseudoTerminal terminal;
    QProcess process;
    start(process, terminal,
          {QStringLiteral("a"), archive, fixtures.filePath(QStringLiteral("small/a.txt"))});
    QVERIFY2(
        terminal.waitForText(process, QStringLiteral("%1 exists. Replace it? [y/N] ").arg(archive), waitMs),
        qPrintable(terminal.text()));
    terminal.type(answer);
    QVERIFY(terminal.waitForExit(process, waitMs));
    QVERIFY2(process.exitCode() == exitCode, qPrintable(terminal.text()));
    QCOMPARE(TestTree::readFile(archive) != "the user's old file", replaced);
}

QTEST_GUILESS_MAIN(TestCliTerminal)
#include "tst_cliterminal.moc"
