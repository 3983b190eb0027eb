// The runner on its own: one job per operation, its end reported once, a cancel that lands even
// before the job has a thread, and a question answered on the GUI thread while the job waits.
#include "archiveoperationrunner.h"
#include "modaldialogdriver.h"
#include "operationprogressdialog.h"
#include "testtree.h"
#include "uitestenvironment.h"
#include "zipbytes.h"

#include <QSignalSpy>
#include <QThreadPool>
#include <QWidget>

#include <mutex>

class TestArchiveOperationRunner : public QObject
{
    Q_OBJECT

public:
    explicit TestArchiveOperationRunner(const UiTestEnvironment &environment) : environment(environment) {}

private slots:
    void init();
    void cleanup();
    void endReportedOnce();
    void cancelBeforeTheJobRuns();
    void oneOperationAtATime();
    void questionAnsweredWhileTheJobWaits();
    void cancelAndWaitTakesTheEnd();

private:
    OperationRequest extraction(const QString &destination) const;

    const UiTestEnvironment &environment;
    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<QWidget> window;
    QString archivePath;
};

void TestArchiveOperationRunner::init()
{
    work = std::make_unique<QTemporaryDir>(environment.workPath() + QStringLiteral("/XXXXXX"));
    QVERIFY(work->isValid());
    archivePath = work->filePath(QStringLiteral("a.zip"));
    QVERIFY(ZipBytes::write(archivePath, {ZipBytes::unixFile("one.txt", "one\n"),
                                          ZipBytes::unixFile("two.txt", TestTree::sampleData(100000, 1))}));
    window = std::make_unique<QWidget>();
    window->show();
}

void TestArchiveOperationRunner::cleanup()
{
    window.reset();
    QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    work.reset();
}

OperationRequest TestArchiveOperationRunner::extraction(const QString &destination) const
{
    OperationRequest request = OperationRequest::extract(archivePath, destination, QString());
    request.replacePolicy = ReplacePolicy::Ask;
    return request;
}

void TestArchiveOperationRunner::endReportedOnce()
{
    ArchiveOperationRunner runner(window.get(), window.get());
    QSignalSpy finished(&runner, &ArchiveOperationRunner::finished);
    QSignalSpy percents(&runner, &ArchiveOperationRunner::percentChanged);
    QVERIFY(!runner.takeResult());

    runner.showProgressDialog(QStringLiteral("解压"), QStringLiteral("正在解压文件..."));
    QVERIFY(runner.start(extraction(work->filePath(QStringLiteral("out")))));
    QVERIFY(runner.isRunning());
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(!runner.isRunning());
    QVERIFY(!percents.isEmpty());
    // The dialog goes with the end of the job.
    QTRY_VERIFY(!runner.progressDialog());

    const std::optional<OperationResult> result = runner.takeResult();
    QVERIFY(result && result->succeeded());
    QVERIFY(!runner.takeResult());
    QTest::qWait(100);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(TestTree::readFile(work->filePath(QStringLiteral("out/one.txt"))), QByteArray("one\n"));
}

// The job owns its cancel flag from birth: a cancel right after the start, before any pool thread
// took the job, ends it as cancelled and writes nothing.
void TestArchiveOperationRunner::cancelBeforeTheJobRuns()
{
    // Every pool thread busy, so the job waits in the pool's queue. The threads wait for a standard
    // mutex: its release orders what this thread wrote before for ThreadSanitizer too, which cannot see
    // the pool's own queue inside the uninstrumented toolkit.
    std::mutex gate;
    gate.lock();
    for (int i = 0; i < QThreadPool::globalInstance()->maxThreadCount(); ++i)
        QThreadPool::globalInstance()->start([&gate] { const std::lock_guard<std::mutex> pass(gate); });

    ArchiveOperationRunner runner(window.get(), window.get());
    QSignalSpy finished(&runner, &ArchiveOperationRunner::finished);
    const bool started = runner.start(extraction(work->filePath(QStringLiteral("out"))));
    runner.cancel();
    gate.unlock();
    // The blocked threads still hold a reference to the gate until they pass it.
    QThreadPool::globalInstance()->waitForDone();
    QVERIFY(started);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(runner.takeResult()->code, ResultCode::Cancelled);
    QVERIFY(!QFileInfo::exists(work->filePath(QStringLiteral("out/one.txt"))));
}

void TestArchiveOperationRunner::oneOperationAtATime()
{
    ArchiveOperationRunner runner(window.get(), window.get());
    QSignalSpy finished(&runner, &ArchiveOperationRunner::finished);
    QVERIFY(runner.start(extraction(work->filePath(QStringLiteral("first")))));
    QVERIFY(!runner.start(extraction(work->filePath(QStringLiteral("second")))));
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(!QFileInfo::exists(work->filePath(QStringLiteral("second"))));
    // And the next one may start once the first has ended.
    QVERIFY(runner.start(extraction(work->filePath(QStringLiteral("second")))));
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(TestTree::readFile(work->filePath(QStringLiteral("second/one.txt"))), QByteArray("one\n"));
}

void TestArchiveOperationRunner::questionAnsweredWhileTheJobWaits()
{
    const QString destination = work->filePath(QStringLiteral("out"));
    QVERIFY(TestTree::build(destination, {{QStringLiteral("one.txt"), "mine\n"}}));
    ArchiveOperationRunner runner(window.get(), window.get());
    QSignalSpy finished(&runner, &ArchiveOperationRunner::finished);
    bool jobStillRunning = false;
    ModalDialogDriver dialogs;
    dialogs.then([&](QWidget *question) {
        jobStillRunning = runner.isRunning();
        ModalDialogDriver::answerReplace(ReplaceChoice::KeepBoth)(question);
    });
    QVERIFY(runner.start(extraction(destination)));
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY2(dialogs.finished(), qPrintable(dialogs.state()));
    QVERIFY(jobStillRunning);
    QCOMPARE(TestTree::readFile(destination + QStringLiteral("/one.txt")), QByteArray("mine\n"));
    QCOMPARE(TestTree::readFile(destination + QStringLiteral("/one (2).txt")), QByteArray("one\n"));
}

// Closing the window takes the end itself: the job is cancelled while it waits for an answer, the
// question goes, and no end is reported afterwards.
void TestArchiveOperationRunner::cancelAndWaitTakesTheEnd()
{
    const QString destination = work->filePath(QStringLiteral("out"));
    QVERIFY(TestTree::build(destination, {{QStringLiteral("one.txt"), "mine\n"}}));
    const TestTree::Tree before = TestTree::snapshot(destination);
    ArchiveOperationRunner runner(window.get(), window.get());
    QSignalSpy finished(&runner, &ArchiveOperationRunner::finished);
    bool endedInside = false;
    ModalDialogDriver dialogs;
    dialogs.then([&](QWidget *) {
        runner.cancelAndWait();
        endedInside = !runner.isRunning();
    });
    runner.showProgressDialog(QStringLiteral("解压"), QStringLiteral("正在解压文件..."));
    QVERIFY(runner.start(extraction(destination)));
    QTRY_VERIFY2(dialogs.finished(), qPrintable(dialogs.state()));
    QVERIFY(endedInside);
    QTest::qWait(200);
    QCOMPARE(finished.size(), 0);
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_VERIFY(!runner.progressDialog());
    QCOMPARE(TestTree::snapshot(destination), before);
}

KELVANE_UI_TEST_MAIN(TestArchiveOperationRunner)
#include "tst_archiveoperationrunner.moc"
