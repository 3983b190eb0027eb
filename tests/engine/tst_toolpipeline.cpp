// The runner of external programs, with real programs and small shell scripts standing in for the
// ones that misbehave.

#include "headtailbuffer.h"
#include "readposition.h"
#include "testtree.h"
#include "toolpipeline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <memory>

namespace {

ToolCommand shell(const QString &script)
{
    return {QStringLiteral("sh"), {QStringLiteral("-c"), script}, QString()};
}

// The peak resident memory of this process since the last reset, from Linux's own accounting.
void resetPeakResident()
{
    QFile clearRefs("/proc/self/clear_refs");
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

qint64 peakResidentKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

bool processGone(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

} // namespace

Q_DECLARE_METATYPE(ToolCommand)
Q_DECLARE_METATYPE(ResultCode)

class TestToolPipeline : public QObject
{
    Q_OBJECT

private slots:
    void headTail_data();
    void headTail();

    void outcomes_data();
    void outcomes();
    void streamsFileThroughChain();
    void readPositionOfOpenFile();
    void inputDataReachesProgram();
    void lastProgramWritesOutputFile();
    void outputFileThatCannotBeCreated();
    void errorLinesGoToHandler();
    void handlerStopsEarly_data();
    void handlerStopsEarly();
    void floodOfWarningsStaysSmall();
    void cancelKillsProgramIgnoringTerminate();
    void finishedProgramNoticedAtOnce();
    void runsOnWorkerThread();
};

void TestToolPipeline::headTail_data()
{
    QTest::addColumn<qsizetype>("partBytes");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("omitted");

    QTest::newRow("empty") << qsizetype(4) << QList<QByteArray>{} << "" << qint64(0);
    QTest::newRow("short, trimmed") << qsizetype(16) << QList<QByteArray>{"  tar: x\n", "tar: y\n"}
                                    << "tar: x\ntar: y" << qint64(0);
    QTest::newRow("exactly both parts")
        << qsizetype(4) << QList<QByteArray>{"abcdefgh"} << "abcdefgh" << qint64(0);
    QTest::newRow("cut without line ends") << qsizetype(4) << QList<QByteArray>{"abcd", "efghij", "klmn"}
                                           << "abcd\n[… 6 bytes left out …]\nklmn" << qint64(6);
    QTest::newRow("cut at line ends")
        << qsizetype(4) << QList<QByteArray>{"a\nb\nc\n", "ddddddd\n", "e\nf\ng\nh\n"}
        << "a\nb\n[… 17 bytes left out …]\nh" << qint64(14);
    QTest::newRow("one huge chunk") << qsizetype(4) << QList<QByteArray>{QByteArray(1000, 'x') + "tail"}
                                    << "xxxx\n[… 996 bytes left out …]\ntail" << qint64(996);
    QTest::newRow("many small chunks after the head")
        << qsizetype(4) << QList<QByteArray>{"head", "1", "2", "3", "4", "5", "6", "7", "8", "9"}
        << "head\n[… 5 bytes left out …]\n6789" << qint64(5);
}

void TestToolPipeline::headTail()
{
    QFETCH(qsizetype, partBytes);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, text);
    QFETCH(qint64, omitted);

    HeadTailBuffer buffer(partBytes, partBytes);
    qint64 total = 0;
    for (const QByteArray &chunk : chunks) {
        buffer.append(chunk);
        total += chunk.size();
    }
    QCOMPARE(buffer.totalBytes(), total);
    QCOMPARE(buffer.omittedBytes(), omitted);
    QCOMPARE(buffer.text(), text);
}

void TestToolPipeline::outcomes_data()
{
    QTest::addColumn<QList<ToolCommand>>("commands");
    QTest::addColumn<ResultCode>("code");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("detail"); // the start of the detail

    QTest::newRow("one program") << QList<ToolCommand>{shell("exit 0")} << ResultCode::Success << ""
                                 << "";
    QTest::newRow("chain") << QList<ToolCommand>{shell("echo a"), {"cat", {}, {}}, {"cat", {}, {}}}
                           << ResultCode::Success << ""
                           << "";
    QTest::newRow("missing program") << QList<ToolCommand>{shell("exit 0"), {"kelvane-no-such-tool", {}, {}}}
                                     << ResultCode::ToolMissing << "kelvane-no-such-tool"
                                     << "";
    QTest::newRow("missing path") << QList<ToolCommand>{{"/nonexistent/tool", {}, {}}}
                                  << ResultCode::ToolMissing << "/nonexistent/tool"
                                  << "";
    QTest::newRow("found, not startable") << QList<ToolCommand>{shell("exit 0"), {"@BADINTERPRETER@", {}, {}}}
                                          << ResultCode::ToolNotStarted << "@BADINTERPRETER@"
                                          << "execvp: No such file";
    QTest::newRow("exit code and standard error")
        << QList<ToolCommand>{shell("echo 'disk on fire' >&2; exit 2")} << ResultCode::ToolFailed << "sh"
        << "disk on fire";
    QTest::newRow("exit code without words")
        << QList<ToolCommand>{shell("exit 3")} << ResultCode::ToolFailed << "sh"
        << "exit code 3";
    QTest::newRow("crash") << QList<ToolCommand>{shell("echo 'about to crash' >&2; kill -SEGV $$")}
                           << ResultCode::ToolFailed << "sh"
                           << "about to crash";
    QTest::newRow("crash without words")
        << QList<ToolCommand>{shell("kill -SEGV $$")} << ResultCode::ToolFailed << "sh"
        << "Process crashed";
    QTest::newRow("broken pipe behind a reader that succeeded")
        << QList<ToolCommand>{{"yes", {}, {}}, {"head", {"-c", "10"}, {}}} << ResultCode::Success << ""
        << "";
    QTest::newRow("broken pipe behind a reader that failed")
        << QList<ToolCommand>{{"yes", {}, {}},
                              shell("head -c 10 >/dev/null; echo 'reader gave up' >&2; exit 2")}
        << ResultCode::ToolFailed << "sh"
        << "reader gave up";
    QTest::newRow("writer fails, reader succeeds")
        << QList<ToolCommand>{shell("echo partial; echo 'crc error' >&2; exit 1"), {"cat", {}, {}}}
        << ResultCode::ToolFailed << "sh"
        << "crc error";
    QTest::newRow("first failure named, not the reader that lost its input")
        << QList<ToolCommand>{shell("echo 'not compressed data' >&2; exit 1"),
                              {"sh", {"-c", "cat >/dev/null; echo 'unexpected end' >&2; exit 2"}, {}}}
        << ResultCode::ToolFailed << "sh"
        << "not compressed data";
    QTest::newRow("last program killed by a broken pipe has no reader to blame")
        << QList<ToolCommand>{shell("kill -PIPE $$")} << ResultCode::ToolFailed << "sh"
        << "";
}

void TestToolPipeline::outcomes()
{
    QFETCH(QList<ToolCommand>, commands);
    QFETCH(ResultCode, code);
    QFETCH(QString, path);
    QFETCH(QString, detail);

    QTemporaryDir work;
    const QString badInterpreter = work.filePath("bad-interpreter");
    QVERIFY(TestTree::writeFile(badInterpreter, "#!/nonexistent/interpreter\n"));
    QVERIFY(QFile::setPermissions(badInterpreter, QFile::permissions(badInterpreter) | QFile::ExeOwner));
    path.replace("@BADINTERPRETER@", badInterpreter);

    std::atomic_bool cancel{false};
    ToolPipeline pipeline(cancel);
    for (ToolCommand command : commands) {
        command.program.replace("@BADINTERPRETER@", badInterpreter);
        pipeline.append(command);
    }
    const OperationResult result = pipeline.run();
    QCOMPARE(result.code, code);
    QCOMPARE(result.path, path);
    QVERIFY2(detail.isEmpty() || result.detail.startsWith(detail), qPrintable(result.detail));
}

void TestToolPipeline::streamsFileThroughChain()
{
    QTemporaryDir work;
    const QByteArray data = TestTree::randomBytes(24 * 1024 * 1024);
    QVERIFY(TestTree::writeFile(work.filePath("in.bin"), data));

    std::atomic_bool cancel{false};
    ToolPipeline pipeline(cancel);
    pipeline.append({"gzip", {"-1", "-c"}, {}});
    pipeline.append({"gzip", {"-d", "-c"}, {}});
    pipeline.setInputFile(work.filePath("in.bin"));
    QList<qint64> taken;
    pipeline.setInputProgressHandler([&taken](qint64 bytes) { taken << bytes; });
    QByteArray output;
    qint64 largestChunk = 0;
    pipeline.setOutputHandler([&](const QByteArray &chunk) {
        output += chunk;
        largestChunk = std::max(largestChunk, chunk.size());
    });
    const OperationResult result = pipeline.run();
    QVERIFY2(result.succeeded(), qPrintable(result.detail));
    QVERIFY(output == data);
    QVERIFY(taken.size() > 2);
    QVERIFY(std::is_sorted(taken.begin(), taken.end()));
    QCOMPARE(taken.last(), qint64(data.size()));
    // Read as it comes, not gathered in memory.
    QVERIFY2(largestChunk <= 4 * 1024 * 1024, qPrintable(QString::number(largestChunk)));
}

void TestToolPipeline::readPositionOfOpenFile()
{
    if (!ReadPosition::isAvailable())
        QSKIP("this system does not tell other programs' file positions");
    QTemporaryDir work;
    QVERIFY(TestTree::writeFile(work.filePath("in.bin"), QByteArray(100000, 'x')));
    QFile file(work.filePath("in.bin"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    const qint64 self = QCoreApplication::applicationPid();
    QCOMPARE(ReadPosition::of(self, file.handle()), qint64(0));
    QCOMPARE(file.read(12345).size(), qsizetype(12345));
    QCOMPARE(ReadPosition::of(self, file.handle()), qint64(12345));
    QCOMPARE(ReadPosition::of(self, 9999), qint64(-1));
    QCOMPARE(ReadPosition::of(0, file.handle()), qint64(-1));
}

void TestToolPipeline::inputDataReachesProgram()
{
    // More than a pipe holds, with bytes a line-oriented reader would trip over.
    QByteArray names;
    for (int i = 0; i < 20000; ++i)
        names += "name " + QByteArray::number(i) + "\n\\x" + '\0';

    std::atomic_bool cancel{false};
    ToolPipeline pipeline(cancel);
    pipeline.append({"cat", {}, {}});
    pipeline.setInputData(names);
    QByteArray output;
    pipeline.setOutputHandler([&output](const QByteArray &chunk) { output += chunk; });
    QVERIFY(pipeline.run().succeeded());
    QCOMPARE(output, names);
    QVERIFY(pipeline.exitedNormally(0));
    QCOMPARE(pipeline.exitCode(0), 0);
}

void TestToolPipeline::lastProgramWritesOutputFile()
{
    QTemporaryDir work;
    const QByteArray data = TestTree::randomBytes(3 * 1024 * 1024);
    QVERIFY(TestTree::writeFile(work.filePath("in.bin"), data));
    // Longer than what the program writes: what was there before must not survive past the end.
    const QString outputPath = work.filePath("out.bin");
    QVERIFY(TestTree::writeFile(outputPath, QByteArray(5 * 1024 * 1024, 'x')));

    std::atomic_bool cancel{false};
    ToolPipeline pipeline(cancel);
    pipeline.append({"gzip", {"-1", "-c"}, {}});
    pipeline.append({"gzip", {"-d", "-c"}, {}});
    pipeline.setInputFile(work.filePath("in.bin"));
    pipeline.setOutputFile(outputPath);
    const OperationResult result = pipeline.run();
    QVERIFY2(result.succeeded(), qPrintable(result.detail));
    QFile output(outputPath);
    QVERIFY(output.open(QIODevice::ReadOnly));
    QVERIFY(output.readAll() == data);
}

void TestToolPipeline::outputFileThatCannotBeCreated()
{
    QTemporaryDir work;
    const QString outputPath = work.filePath("missing folder/out.bin");
    const QString marker = work.filePath("started");
    std::atomic_bool cancel{false};
    ToolPipeline pipeline(cancel);
    pipeline.append(shell("touch '" + marker + "'; echo data"));
    pipeline.setOutputFile(outputPath);
    const OperationResult result = pipeline.run();
    QCOMPARE(result.code, ResultCode::WriteFailed);
    QCOMPARE(result.path, outputPath);
    QVERIFY(!result.detail.isEmpty());
    QVERIFY2(!QFile::exists(marker), "no program may start without somewhere to write");
}

void TestToolPipeline::errorLinesGoToHandler()
{
    std::atomic_bool cancel{false};
    ToolPipeline pipeline(cancel);
    const int index =
        pipeline.append(shell("printf 'tar: 10\\nreal warning\\ntar: 20\\nunfinished' >&2; exit 2"));
    QList<QByteArray> consumed;
    pipeline.setErrorLineHandler(index, [&consumed](const QByteArray &line) {
        if (!line.startsWith("tar: "))
            return false;
        consumed << line;
        return true;
    });
    const OperationResult result = pipeline.run();
    QCOMPARE(result.code, ResultCode::ToolFailed);
    QCOMPARE(result.detail, QString("real warning\nunfinished"));
    QCOMPARE(consumed, (QList<QByteArray>{"tar: 10", "tar: 20"}));
    QCOMPARE(pipeline.errorOutput(index), result.detail);
}

void TestToolPipeline::handlerStopsEarly_data()
{
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("has what it wanted") << true;
    QTest::newRow("cannot write what it reads") << false;
}

void TestToolPipeline::handlerStopsEarly()
{
    QFETCH(bool, succeeds);

    // An endless writer: only the stop ends it.
    std::atomic_bool cancel{false};
    ToolPipeline pipeline(cancel);
    pipeline.append({"yes", {}, {}});
    pipeline.append({"cat", {}, {}});
    qint64 received = 0;
    pipeline.setOutputHandler([&](const QByteArray &chunk) {
        received += chunk.size();
        if (received >= 512)
            pipeline.stop(succeeds ? OperationResult::success()
                                   : OperationResult::pathFailure(ResultCode::DiskFull, "/full/archive"));
    });
    QElapsedTimer timer;
    timer.start();
    const OperationResult result = pipeline.run();
    QVERIFY(timer.elapsed() < 1500); // terminated, not killed after the grace period
    QCOMPARE(result.code, succeeds ? ResultCode::Success : ResultCode::DiskFull);
    if (!succeeds)
        QCOMPARE(result.path, QString("/full/archive"));
}

void TestToolPipeline::floodOfWarningsStaysSmall()
{
    // A program writing a flood on standard error while another one still feeds it: both must keep
    // moving, and only the ends of the flood stay in memory.
    constexpr qint64 floodBytes = 200 * 1024 * 1024;
    std::atomic_bool cancel{false};
    ToolPipeline pipeline(cancel);
    pipeline.append({"head", {"-c", QString::number(64 * 1024 * 1024), "/dev/zero"}, {}});
    pipeline.append(
        shell(QString("echo first warning >&2; yes 'tar: member: a warning line' | head -c %1 >&2; "
                      "cat > /dev/null; echo last warning >&2; exit 2")
                  .arg(floodBytes)));
    resetPeakResident();
    const qint64 peakBefore = peakResidentKiB();
    QElapsedTimer timer;
    timer.start();
    const OperationResult result = pipeline.run();
    const qint64 elapsed = timer.elapsed();
    const qint64 grownKiB = peakResidentKiB() - peakBefore;
    qInfo("%lld MiB of warnings drained in %lld ms; peak memory grew by %lld KiB", floodBytes >> 20, elapsed,
          grownKiB);
    QCOMPARE(result.code, ResultCode::ToolFailed);
    QVERIFY2(result.detail.startsWith("first warning\ntar: member: a warning line"),
             qPrintable(result.detail.left(80)));
    QVERIFY2(result.detail.endsWith("last warning"), qPrintable(result.detail.right(80)));
    QVERIFY2(result.detail.contains("bytes left out"), qPrintable(result.detail.left(80)));
    QVERIFY(result.detail.size() < 40 * 1024);
#ifndef __SANITIZE_ADDRESS__
    // Under AddressSanitizer freed blocks wait in its quarantine, so the peak measures the sanitizer;
    // the ordinary build of this suite checks the bound.
    QVERIFY2(grownKiB < 32 * 1024, qPrintable(QString::number(grownKiB)));
#endif
    QVERIFY2(elapsed < 30000, qPrintable(QString::number(elapsed)));
}

void TestToolPipeline::cancelKillsProgramIgnoringTerminate()
{
    QTemporaryDir work;
    const QString pidFile = work.filePath("pid");
    std::atomic_bool cancel{false};
    ToolPipeline pipeline(cancel);
    pipeline.append({"yes", {}, {}});
    pipeline.append(shell(QString("echo $$ > '%1.tmp' && mv '%1.tmp' '%1'; trap '' TERM; "
                                  "while :; do sleep 0.1; done")
                              .arg(pidFile)));
    pipeline.setTickHandler([&] {
        if (QFile::exists(pidFile))
            cancel = true;
    });
    QElapsedTimer timer;
    timer.start();
    const OperationResult result = pipeline.run();
    QCOMPARE(result.code, ResultCode::Cancelled);
    QVERIFY2(timer.elapsed() < 15000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(processGone(TestTree::readFile(pidFile).trimmed().toLongLong()));
}

void TestToolPipeline::finishedProgramNoticedAtOnce()
{
    // Each run is a fork and an exec; waiting for a timer to notice the end would take 50 ms or more.
    QElapsedTimer timer;
    timer.start();
    constexpr int runs = 20;
    for (int i = 0; i < runs; ++i) {
        std::atomic_bool cancel{false};
        ToolPipeline pipeline(cancel);
        pipeline.append({"true", {}, {}});
        pipeline.append({"cat", {}, {}});
        QVERIFY(pipeline.run().succeeded());
    }
    qInfo("%d runs of a two-program chain in %lld ms", runs, timer.elapsed());
    QVERIFY2(timer.elapsed() < runs * 40, qPrintable(QString::number(timer.elapsed())));
}

void TestToolPipeline::runsOnWorkerThread()
{
    QTemporaryDir work;
    QVERIFY(TestTree::writeFile(work.filePath("in.txt"), "through a worker\n"));
    OperationResult result;
    QByteArray output;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        std::atomic_bool cancel{false};
        ToolPipeline pipeline(cancel);
        pipeline.append({"cat", {}, {}});
        pipeline.setInputFile(work.filePath("in.txt"));
        pipeline.setOutputHandler([&output](const QByteArray &chunk) { output += chunk; });
        result = pipeline.run();
    }));
    worker->start();
    QVERIFY(worker->wait(30000));
    QVERIFY(result.succeeded());
    QCOMPARE(output, QByteArray("through a worker\n"));
}

QTEST_GUILESS_MAIN(TestToolPipeline)
#include "tst_toolpipeline.moc"
