#include "operationprogressdialog.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {

constexpr qint64 unknown = ProgressDetails::unknown;

QStringList linesOf(const QProgressDialog &dialog)
{
    return dialog.labelText().split(QLatin1Char('\n'));
}

} // namespace

class TestOperationProgressDialog : public QObject
{
    Q_OBJECT

private slots:
    void headlineThenEntry();
    void longEntryIsShortenedInPlace();
    void elapsedTimeRunsBetweenReports();
    void cancellingKeepsItsText();
    void cancelOnlyAsks();
    void finishedDialogStaysHiddenUnderANestedLoop();
};

void TestOperationProgressDialog::headlineThenEntry()
{
    OperationProgressDialog dialog(QStringLiteral("压缩"), QStringLiteral("正在压缩文件..."),
                                   QStringLiteral("取消"), nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("压缩"));
    QCOMPARE(dialog.value(), 0);
    QCOMPARE(linesOf(dialog), (QStringList{"正在压缩文件...", "已用时间: 0:00"}));
    QCOMPARE(dialog.findChild<QAbstractButton *>()->text(), QStringLiteral("取消"));

    dialog.showProgress(40, unknown, unknown, QStringLiteral("docs/说明.txt"));
    QCOMPARE(dialog.value(), 40);
    QCOMPARE(dialog.percent(), 40);
    QCOMPARE(dialog.currentEntry(), QStringLiteral("docs/说明.txt"));
    QCOMPARE(linesOf(dialog).first(), QStringLiteral("正在处理: docs/说明.txt"));

    dialog.showProgress(50, 5 * 1024, 10 * 1024, QStringLiteral("docs/说明.txt"));
    QCOMPARE(linesOf(dialog).value(1), QStringLiteral("已处理: 5.00 KB / 10.00 KB"));
}

void TestOperationProgressDialog::longEntryIsShortenedInPlace()
{
    OperationProgressDialog dialog(QStringLiteral("解压"), QStringLiteral("正在解压文件..."),
                                   QStringLiteral("取消"), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QSize shown = dialog.size();

    const QString entry = QStringLiteral("folder/").repeated(60) + QStringLiteral("last.txt");
    dialog.showProgress(10, unknown, unknown, entry);
    const QString firstLine = linesOf(dialog).first();
    QVERIFY2(firstLine.startsWith(QStringLiteral("正在处理: folder/")), qPrintable(firstLine));
    QVERIFY2(firstLine.endsWith(QStringLiteral("last.txt")), qPrintable(firstLine));
    QVERIFY(firstLine.contains(QChar(0x2026)));
    QCOMPARE(dialog.size(), shown);
}

void TestOperationProgressDialog::elapsedTimeRunsBetweenReports()
{
    OperationProgressDialog dialog(QStringLiteral("压缩"), QStringLiteral("正在压缩文件..."),
                                   QStringLiteral("取消"), nullptr);
    dialog.showProgress(30, unknown, unknown, QStringLiteral("a.bin"));
    QTRY_COMPARE_WITH_TIMEOUT(linesOf(dialog).value(1), QStringLiteral("已用时间: 0:01"), 3000);
    QCOMPARE(dialog.value(), 30);
}

void TestOperationProgressDialog::cancellingKeepsItsText()
{
    OperationProgressDialog dialog(QStringLiteral("压缩"), QStringLiteral("正在压缩文件..."),
                                   QStringLiteral("取消"), nullptr);
    dialog.showProgress(30, unknown, unknown, QStringLiteral("a.bin"));
    dialog.showCancelling(QStringLiteral("正在取消..."));
    QCOMPARE(dialog.labelText(), QStringLiteral("正在取消..."));
    dialog.showProgress(60, unknown, unknown, QStringLiteral("b.bin"));
    QCOMPARE(dialog.value(), 60);
    QTest::qWait(1200);
    QCOMPARE(dialog.labelText(), QStringLiteral("正在取消..."));
}

void TestOperationProgressDialog::cancelOnlyAsks()
{
    OperationProgressDialog dialog(QStringLiteral("压缩"), QStringLiteral("正在压缩文件..."),
                                   QStringLiteral("取消"), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy canceled(&dialog, &QProgressDialog::canceled);
    QTest::mouseClick(dialog.findChild<QAbstractButton *>(), Qt::LeftButton);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(canceled.size(), 2);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.wasCanceled());
}

// What the window does at the end of a quick operation: finish the dialog, then open the result
// box, whose nested event loop keeps the finished dialog alive past its minimum duration.
void TestOperationProgressDialog::finishedDialogStaysHiddenUnderANestedLoop()
{
    QPointer<OperationProgressDialog> dialog = new OperationProgressDialog(
        QStringLiteral("压缩"), QStringLiteral("正在压缩文件..."), QStringLiteral("取消"), nullptr);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.data()));
    const int minimumDuration = dialog->minimumDuration();
    QVERIFY(minimumDuration > 0);

    bool shownDuringBox = false;
    bool aliveDuringBox = false;
    QEventLoop outer;
    QTimer::singleShot(0, &outer, [&] {
        // The engine's first report is 0 %, its last 100 %.
        dialog->showProgress(0, unknown, unknown, QString());
        dialog->showProgress(100, unknown, unknown, QString());
        dialog->finish();
        QEventLoop box;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &box, [&] {
            aliveDuringBox = aliveDuringBox || dialog;
            shownDuringBox = shownDuringBox || (dialog && dialog->isVisible());
        });
        poll.start(50);
        QTimer::singleShot(minimumDuration + 1000, &box, &QEventLoop::quit);
        box.exec();
        outer.quit();
    });
    outer.exec();
    QVERIFY(aliveDuringBox);
    QVERIFY(!shownDuringBox);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog.isNull());
}

QTEST_MAIN(TestOperationProgressDialog)
#include "tst_operationprogressdialog.moc"
