#include "replacedialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

Q_DECLARE_METATYPE(ReplaceChoice)

namespace {

ReplaceQuestion clash(bool canReplace)
{
    ReplaceQuestion question;
    question.existingPath = QStringLiteral("/home/user/dest/report.txt");
    question.existing = {false, false, 2048, QDateTime(QDate(2026, 1, 2), QTime(3, 4))};
    question.entry = QStringLiteral("report.txt");
    question.incoming = {false, false, 5 * 1024 * 1024, QDateTime(QDate(2026, 5, 6), QTime(7, 8))};
    question.canReplace = canReplace;
    return question;
}

QPushButton *button(QDialog &dialog, const QString &text)
{
    for (QPushButton *candidate : dialog.findChildren<QPushButton *>()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

} // namespace

class TestReplaceDialog : public QObject
{
    Q_OBJECT

private slots:
    void eachButtonAnswers_data();
    void eachButtonAnswers();
    void replacingAFullFolderIsNotOffered();
    void namesBothSides();
};

void TestReplaceDialog::eachButtonAnswers_data()
{
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<bool>("applyToAll");
    QTest::addColumn<ReplaceChoice>("choice");
    QTest::addColumn<bool>("answeredForAll");

    QTest::newRow("replace") << "替换" << false << ReplaceChoice::Replace << false;
    QTest::newRow("replace all") << "替换" << true << ReplaceChoice::Replace << true;
    QTest::newRow("skip all") << "跳过" << true << ReplaceChoice::Skip << true;
    QTest::newRow("keep both") << "保留两者" << false << ReplaceChoice::KeepBoth << false;
    // Cancel ends the operation; there is nothing left to apply it to.
    QTest::newRow("cancel ignores the box") << "取消" << true << ReplaceChoice::Cancel << false;
}

void TestReplaceDialog::eachButtonAnswers()
{
    QFETCH(QString, buttonText);
    QFETCH(bool, applyToAll);
    QFETCH(ReplaceChoice, choice);
    QFETCH(bool, answeredForAll);

    ReplaceDialog dialog(clash(true));
    dialog.show();
    dialog.findChild<QCheckBox *>()->setChecked(applyToAll);
    QPushButton *target = button(dialog, buttonText);
    QVERIFY(target);
    QTest::mouseClick(target, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.answer().choice, choice);
    QCOMPARE(dialog.answer().applyToAll, answeredForAll);
}

void TestReplaceDialog::replacingAFullFolderIsNotOffered()
{
    ReplaceDialog dialog(clash(false));
    QVERIFY(!button(dialog, "替换")->isEnabled());
    QVERIFY(button(dialog, "保留两者")->isDefault());
    ReplaceDialog offered(clash(true));
    QVERIFY(button(offered, "替换")->isEnabled());
}

void TestReplaceDialog::namesBothSides()
{
    ReplaceDialog dialog(clash(true));
    QStringList texts;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        texts.append(label->text());
    const QString all = texts.join(QLatin1Char('\n'));
    QVERIFY2(all.contains("report.txt"), qPrintable(all));
    QVERIFY2(all.contains("/home/user/dest"), qPrintable(all));
    QVERIFY2(all.contains("2.00 KB"), qPrintable(all));
    QVERIFY2(all.contains("5.00 MB"), qPrintable(all));
}

QTEST_MAIN(TestReplaceDialog)
#include "tst_replacedialog.moc"
