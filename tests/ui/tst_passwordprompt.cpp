#include "passwordprompt.h"

#include <QLineEdit>
#include <QtTest>

class TestPasswordPrompt : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void answers();
};

void TestPasswordPrompt::text_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("wrong");
    QTest::addColumn<QString>("text");

    QTest::newRow("an encrypted entry")
        << "docs/plan.txt" << false << "“backup.zip”中的“docs/plan.txt”已加密，请输入密码:";
    QTest::newRow("encrypted names") << "" << false << "“backup.zip”已加密，请输入密码:";
    QTest::newRow("after a wrong one")
        << "docs/plan.txt" << true
        << "密码错误，请重试。\n“backup.zip”中的“docs/plan.txt”已加密，请输入密码:";
    QTest::newRow("encrypted names, after a wrong one")
        << "" << true << "密码错误，请重试。\n“backup.zip”已加密，请输入密码:";
}

void TestPasswordPrompt::text()
{
    QFETCH(QString, entry);
    QFETCH(bool, wrong);
    QFETCH(QString, text);
    QCOMPARE(PasswordPrompt::text({QStringLiteral("/home/user/backup.zip"), entry, wrong}), text);
}

// A password field titled as ever; OK gives what was typed (an empty password too), Cancel gives
// nothing.
void TestPasswordPrompt::answers()
{
    PasswordPrompt prompt({QStringLiteral("/a/secret.7z"), QString(), false}, nullptr);
    QCOMPARE(prompt.windowTitle(), QStringLiteral("输入密码"));
    QCOMPARE(prompt.textEchoMode(), QLineEdit::Password);

    prompt.setTextValue(QStringLiteral("密码 pass"));
    prompt.accept();
    QVERIFY(prompt.answer().given);
    QCOMPARE(prompt.answer().password, QStringLiteral("密码 pass"));

    prompt.setTextValue(QString());
    prompt.accept();
    QVERIFY(prompt.answer().given);
    QCOMPARE(prompt.answer().password, QString());

    prompt.setTextValue(QStringLiteral("typed, then cancelled"));
    prompt.reject();
    QVERIFY(!prompt.answer().given);
}

QTEST_MAIN(TestPasswordPrompt)
#include "tst_passwordprompt.moc"
