// The handler as the window uses it: it lives in the main thread, its operations run on a thread of
// the global pool, its signals reach a receiver in the main thread queued, and cancel() arrives from
// the main thread while the pool thread works. Meant to be run under ThreadSanitizer too
// (scripts/sanitize.sh tsan), where a data race on the handler's state fails the test.

#include "compressionhandler.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// What the window's slots do with the signals: remember them, in the main thread.
class Receiver : public QObject
{
    Q_OBJECT

public:
    QList<int> progress;
    QStringList currentFiles;
    QList<bool> results;
    QString errorAtCompletion;
    Qt::HANDLE deliveryThread = nullptr;

    void connectTo(CompressionHandler *handler)
    {
        connect(handler, &CompressionHandler::progressChanged, this, [this](int value) {
            progress.append(value);
            deliveryThread = QThread::currentThreadId();
        });
        connect(handler, &CompressionHandler::currentFileChanged, this,
                [this](const QString &name) { currentFiles.append(name); });
        connect(handler, &CompressionHandler::operationCompleted, this, [this, handler](bool success) {
            results.append(success);
            errorAtCompletion = handler->lastError();
        });
    }
};

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// Runs one operation like the window's runner: on the pool, then operationCompleted from there.
QFuture<void> runOnPool(CompressionHandler *handler,
                        const std::function<bool(CompressionHandler *)> &operation)
{
    return QtConcurrent::run(QThreadPool::globalInstance(), [handler, operation] {
        const bool success = operation(handler);
        emit handler->operationCompleted(success);
    });
}

} // namespace

class TestConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void operationsOnThePool_data();
    void operationsOnThePool();
    void cancelFromTheMainThread_data();
    void cancelFromTheMainThread();

private:
    QTemporaryDir workspace;
};

void TestConcurrency::initTestCase()
{
    QVERIFY(workspace.isValid());
    QVERIFY(QDir().mkpath(workspace.filePath("input/sub")));
    QVERIFY(writeFile(workspace.filePath("input/a.txt"), "first"));
    QVERIFY(writeFile(workspace.filePath("input/sub/b.bin"), randomBytes(256 * 1024)));
    // Large enough that a cancel from the main thread lands while the pool thread is still working.
    QVERIFY(writeFile(workspace.filePath("large.bin"), randomBytes(64 * 1024 * 1024)));
}

// A task still unwinding on its pool thread must not outlive the objects of the test that started it.
void TestConcurrency::cleanup()
{
    QThreadPool::globalInstance()->waitForDone();
}

void TestConcurrency::operationsOnThePool_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("password");
    QTest::newRow("zip") << "ZIP"
                         << "zip" << QString();
    QTest::newRow("zip with password") << "ZIP"
                                       << "zip"
                                       << "secret";
    QTest::newRow("tar.gz") << "GZIP"
                            << "tar.gz" << QString();
    QTest::newRow("7z with password") << "7Z"
                                      << "7z"
                                      << "secret";
}

void TestConcurrency::operationsOnThePool()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);
    QFETCH(QString, password);

    QTemporaryDir dir;
    const QString archive = dir.filePath("archive." + suffix);
    const QString destination = dir.filePath("out");
    const QString input = workspace.filePath("input");
    CompressionHandler handler;
    Receiver receiver;
    receiver.connectTo(&handler);

    // Tasks work on their own copies, as the window's do: the pool thread may still be unwinding one
    // while this thread goes on.
    runOnPool(&handler, [format, input, archive, password](CompressionHandler *h) {
        return h->compressFiles(format, {input}, archive, password);
    });
    QTRY_COMPARE_WITH_TIMEOUT(receiver.results.size(), 1, 120000);
    QVERIFY2(receiver.results.at(0), qPrintable(receiver.errorAtCompletion));
    QCOMPARE(receiver.deliveryThread, QThread::currentThreadId());

    // A failure's text must be the one visible when its completion arrives.
    runOnPool(&handler,
              [missing = dir.filePath("missing." + suffix), destination, password](CompressionHandler *h) {
                  return h->extractArchive(missing, destination, password);
              });
    QTRY_COMPARE_WITH_TIMEOUT(receiver.results.size(), 2, 120000);
    QVERIFY(!receiver.results.at(1));
    QCOMPARE(receiver.errorAtCompletion, QString("压缩文件不存在"));

    runOnPool(&handler, [archive, destination, password](CompressionHandler *h) {
        return h->extractArchive(archive, destination, password);
    });
    QTRY_COMPARE_WITH_TIMEOUT(receiver.results.size(), 3, 120000);
    QVERIFY2(receiver.results.at(2), qPrintable(receiver.errorAtCompletion));
    QVERIFY(receiver.errorAtCompletion.isEmpty());
    QFile extracted(destination + "/input/a.txt");
    QVERIFY(extracted.open(QIODevice::ReadOnly));
    QCOMPARE(extracted.readAll(), QByteArray("first"));
    QVERIFY(!receiver.progress.isEmpty());
    QCOMPARE(receiver.progress.last(), 100);
}

void TestConcurrency::cancelFromTheMainThread_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("zip") << "ZIP"
                         << "zip";
    QTest::newRow("tar.xz") << "XZ"
                            << "tar.xz";
    QTest::newRow("7z") << "7Z"
                        << "7z";
}

void TestConcurrency::cancelFromTheMainThread()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);

    QTemporaryDir dir;
    const QString archive = dir.filePath("archive." + suffix);
    CompressionHandler handler;
    Receiver receiver;
    receiver.connectTo(&handler);

    const QString large = workspace.filePath("large.bin");
    QFuture<void> task = runOnPool(&handler, [format, large, archive](CompressionHandler *h) {
        return h->compressFiles(format, {large}, archive, QString());
    });
    // Cancel once the work is under way (or has already ended, in which case the result tells).
    QTRY_VERIFY_WITH_TIMEOUT(!receiver.currentFiles.isEmpty() || task.isFinished(), 60000);
    handler.cancel();
    QTRY_COMPARE_WITH_TIMEOUT(receiver.results.size(), 1, 120000);
    if (receiver.results.at(0))
        QSKIP("the operation ended before the cancel arrived");
    QCOMPARE(receiver.errorAtCompletion, QString("操作已取消"));
    QVERIFY2(!QFileInfo::exists(archive), "a cancelled creation left its archive");
}

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
