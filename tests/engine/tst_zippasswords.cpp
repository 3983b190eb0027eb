// Passwords of ZIP archives, asked only when an encrypted entry needs one, asked again while the one
// given is refused, for WinZip AES (refused when the entry is opened) and traditional PKWARE
// encryption (one check byte, then the checksum), through testing and extraction alike.

#include "archivejob.h"
#include "compressionhandler.h"
#include "scriptedinteraction.h"
#include "testtree.h"
#include "toolrun.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

#include <atomic>
#include <thread>

namespace {

enum class Encryption { Aes, Traditional };
const QString rightPassword = QStringLiteral("right 密码");

const TestTree::Tree sourceTree{{"docs/", {}},
                                {"docs/a.txt", TestTree::sampleData(200000, 1)},
                                {"docs/b.txt", "bee"},
                                {"docs/plain/", {}}};

// The source tree packed with the password, by our writer (AES) or Info-ZIP's (traditional).
QString makeArchive(const QTemporaryDir &dir, Encryption encryption, const QString &password = rightPassword)
{
    const QString source = dir.filePath("src");
    if (!TestTree::build(source, sourceTree))
        return QString();
    const QString archive = dir.filePath("locked.zip");
    if (encryption == Encryption::Aes) {
        CompressionHandler handler;
        return handler.compressFiles("ZIP", {source + "/docs"}, archive, password) ? archive : QString();
    }
    const ToolRun zip = ToolRun::run("zip", {"-q", "-r", "-P", password, archive, "docs"}, source);
    return zip.exitCode == 0 ? archive : QString();
}

struct JobOutcome {
    OperationResult result;
    TestTree::Tree extracted;
};

JobOutcome runJob(OperationKind kind, const QString &archive, const QString &destination,
                  const QString &password, Interaction *interaction)
{
    const OperationRequest request = kind == OperationKind::Test
                                         ? OperationRequest::test(archive, password)
                                         : OperationRequest::extract(archive, destination, password);
    ArchiveJob job(request);
    job.setInteraction(interaction);
    JobOutcome outcome{job.run(), {}};
    if (kind == OperationKind::Extract)
        outcome.extracted = TestTree::snapshot(destination);
    return outcome;
}

QString describe(const OperationResult &result)
{
    return QStringLiteral("code %1, entry '%2', path '%3', detail '%4'")
        .arg(int(result.code))
        .arg(result.entry, result.path, result.detail);
}

void addRows(const char *scenario, const std::function<void(QTestData &)> &values)
{
    for (const Encryption encryption : {Encryption::Aes, Encryption::Traditional}) {
        for (const OperationKind kind : {OperationKind::Test, OperationKind::Extract}) {
            QTestData &row =
                QTest::addRow("%s, %s, %s", encryption == Encryption::Aes ? "AES" : "traditional",
                              kind == OperationKind::Test ? "test" : "extract", scenario)
                << encryption << kind;
            values(row);
        }
    }
}

} // namespace

Q_DECLARE_METATYPE(Encryption)
Q_DECLARE_METATYPE(OperationKind)

class TestZipPasswords : public QObject
{
    Q_OBJECT

private slots:
    void asksUntilRight_data();
    void asksUntilRight();
    void failsWithoutSomebodyToAsk_data();
    void failsWithoutSomebodyToAsk();
    void traditionalChecksumFailureMeansWrongPassword();
    void plainArchiveNeverAsks();
    void answeredThroughSignals();
};

void TestZipPasswords::asksUntilRight_data()
{
    QTest::addColumn<Encryption>("encryption");
    QTest::addColumn<OperationKind>("kind");
    QTest::addColumn<QString>("given");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<int>("code");
    // For every question asked: whether it said the previous password was wrong.
    QTest::addColumn<QList<bool>>("questions");

    addRows("none given, then wrong, then right", [](QTestData &row) {
        row << QString() << QStringList{"wrong", rightPassword} << int(ResultCode::Success)
            << QList<bool>{false, true};
    });
    addRows("wrong given, then right", [](QTestData &row) {
        row << QStringLiteral("wrong") << QStringList{rightPassword} << int(ResultCode::Success)
            << QList<bool>{true};
    });
    addRows("wrong given, then cancelled", [](QTestData &row) {
        row << QStringLiteral("wrong") << QStringList() << int(ResultCode::Cancelled) << QList<bool>{true};
    });
    addRows("right given", [](QTestData &row) {
        row << rightPassword << QStringList() << int(ResultCode::Success) << QList<bool>();
    });
}

void TestZipPasswords::asksUntilRight()
{
    QFETCH(Encryption, encryption);
    QFETCH(OperationKind, kind);
    QFETCH(QString, given);
    QFETCH(QStringList, answers);
    QFETCH(int, code);
    QFETCH(QList<bool>, questions);

    QTemporaryDir dir;
    const QString archive = makeArchive(dir, encryption);
    QVERIFY(!archive.isEmpty());
    ScriptedInteraction interaction;
    for (const QString &answer : answers)
        interaction.passwordAnswers.append({true, answer});

    const JobOutcome outcome = runJob(kind, archive, dir.filePath("out"), given, &interaction);
    QVERIFY2(int(outcome.result.code) == code, qPrintable(describe(outcome.result)));
    QCOMPARE(interaction.passwordQuestions.size(), questions.size());
    for (qsizetype i = 0; i < questions.size(); ++i) {
        const PasswordQuestion &question = interaction.passwordQuestions.at(i);
        QCOMPARE(question.previousWasWrong, questions.at(i));
        QCOMPARE(question.archivePath, archive);
        QVERIFY2(question.entry.startsWith("docs/") && !question.entry.endsWith('/'),
                 qPrintable(question.entry));
    }
    if (kind == OperationKind::Extract) {
        if (code == int(ResultCode::Success))
            QCOMPARE(outcome.extracted, TestTree::snapshot(dir.filePath("src")));
        else
            QVERIFY(!QFileInfo::exists(dir.filePath("out")));
    }
}

void TestZipPasswords::failsWithoutSomebodyToAsk_data()
{
    QTest::addColumn<Encryption>("encryption");
    QTest::addColumn<OperationKind>("kind");
    QTest::addColumn<QString>("given");
    QTest::addColumn<int>("code");

    addRows("none given", [](QTestData &row) { row << QString() << int(ResultCode::PasswordNeeded); });
    addRows("wrong given",
            [](QTestData &row) { row << QStringLiteral("wrong") << int(ResultCode::WrongPassword); });
}

void TestZipPasswords::failsWithoutSomebodyToAsk()
{
    QFETCH(Encryption, encryption);
    QFETCH(OperationKind, kind);
    QFETCH(QString, given);
    QFETCH(int, code);

    QTemporaryDir dir;
    const QString archive = makeArchive(dir, encryption);
    QVERIFY(!archive.isEmpty());
    const JobOutcome outcome = runJob(kind, archive, dir.filePath("out"), given, nullptr);
    QVERIFY2(int(outcome.result.code) == code, qPrintable(describe(outcome.result)));
    QVERIFY2(outcome.result.entry.startsWith("docs/"), qPrintable(outcome.result.entry));
    QVERIFY(!QFileInfo::exists(dir.filePath("out")));
}

void TestZipPasswords::traditionalChecksumFailureMeansWrongPassword()
{
    // One wrong password in 256 passes the traditional check byte; the entry then fails its checksum
    // (or its compressed stream) once read. Such a password is found here with libzip itself.
    QTemporaryDir dir;
    const QString archive = makeArchive(dir, Encryption::Traditional);
    QVERIFY(!archive.isEmpty());
    int error = 0;
    zip_t *opened = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &error);
    QVERIFY(opened);
    // The first encrypted entry: the one a password is settled on.
    zip_int64_t index = 0;
    zip_stat_t stat;
    while (zip_stat_index(opened, zip_uint64_t(index), 0, &stat) == 0 &&
           stat.encryption_method == ZIP_EM_NONE)
        ++index;
    const QString probed = QString::fromUtf8(stat.name);
    QVERIFY(probed.startsWith("docs/"));
    QString passing;
    for (int attempt = 0; attempt < 100000 && passing.isEmpty(); ++attempt) {
        const QByteArray candidate = "guess" + QByteArray::number(attempt);
        zip_file_t *file = zip_fopen_index_encrypted(opened, zip_uint64_t(index), 0, candidate.constData());
        if (file) {
            zip_fclose(file);
            passing = QString::fromLatin1(candidate);
        }
    }
    zip_discard(opened);
    QVERIFY(!passing.isEmpty());

    for (const OperationKind kind : {OperationKind::Test, OperationKind::Extract}) {
        JobOutcome outcome = runJob(kind, archive, dir.filePath("out"), passing, nullptr);
        QVERIFY2(outcome.result.code == ResultCode::WrongPassword, qPrintable(describe(outcome.result)));
        QCOMPARE(outcome.result.entry, probed);

        ScriptedInteraction interaction;
        interaction.passwordAnswers.append({true, rightPassword});
        outcome = runJob(kind, archive, dir.filePath("out"), passing, &interaction);
        QVERIFY2(outcome.result.succeeded(), qPrintable(describe(outcome.result)));
        QCOMPARE(interaction.passwordQuestions.size(), 1);
        QVERIFY(interaction.passwordQuestions.first().previousWasWrong);
    }
    QCOMPARE(TestTree::snapshot(dir.filePath("out")), TestTree::snapshot(dir.filePath("src")));
}

void TestZipPasswords::plainArchiveNeverAsks()
{
    QTemporaryDir dir;
    QVERIFY(TestTree::build(dir.filePath("src"), sourceTree));
    const QString archive = dir.filePath("plain.zip");
    CompressionHandler handler;
    QVERIFY(handler.compressFiles("ZIP", {dir.filePath("src/docs")}, archive, QString()));
    for (const QString &given : {QString(), QStringLiteral("unneeded")}) {
        for (const OperationKind kind : {OperationKind::Test, OperationKind::Extract}) {
            ScriptedInteraction interaction;
            const QString destination = dir.filePath("out-" + given + QString::number(int(kind)));
            const JobOutcome outcome = runJob(kind, archive, destination, given, &interaction);
            QVERIFY2(outcome.result.succeeded(), qPrintable(describe(outcome.result)));
            QVERIFY(interaction.passwordQuestions.isEmpty());
        }
    }
}

void TestZipPasswords::answeredThroughSignals()
{
    QTemporaryDir dir;
    const QString archive = makeArchive(dir, Encryption::Aes);
    QVERIFY(!archive.isEmpty());
    ArchiveJob job(OperationRequest::extract(archive, dir.filePath("out"), QString()));
    job.setAsksThroughSignals(true);
    QList<PasswordQuestion> questions;
    connect(&job, &ArchiveJob::passwordRequested, this, [&](const PasswordQuestion &question) {
        questions.append(question);
        job.answerPassword({true, questions.size() == 1 ? QStringLiteral("wrong") : rightPassword});
    });
    std::atomic_bool finished{false};
    OperationResult result;
    std::thread worker([&] {
        result = job.run();
        finished = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(finished, 60000);
    worker.join();
    QVERIFY2(result.succeeded(), qPrintable(describe(result)));
    QCOMPARE(questions.size(), 2);
    QVERIFY(!questions.at(0).previousWasWrong);
    QVERIFY(questions.at(1).previousWasWrong);
    QCOMPARE(TestTree::snapshot(dir.filePath("out")), TestTree::snapshot(dir.filePath("src")));
}

QTEST_GUILESS_MAIN(TestZipPasswords)
#include "tst_zippasswords.moc"
