#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// Every UI test runs with a private home and configuration folder, set before QApplication exists,
// so the window never reads or writes the real user's settings or desktop.
class UiTestEnvironment
{
public:
    UiTestEnvironment()
    {
        QDir(home.path()).mkpath(QStringLiteral("Desktop"));
        QDir(home.path()).mkpath(QStringLiteral(".config"));
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
        qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/.cache")).toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
        QStandardPaths::setTestModeEnabled(true);
        // The form names two slots meant for buttons it does not have; that is expected here.
        qputenv("QT_LOGGING_RULES", "qt.core.qmetaobject.connectslotsbyname=false");
    }

    QString homePath() const { return home.path(); }
    QString desktopPath() const { return home.path() + QStringLiteral("/Desktop"); }

private:
    QTemporaryDir home;
};

#define KELVANE_UI_TEST_MAIN(TestObject)                                                                     \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        UiTestEnvironment environment;                                                                       \
        QApplication app(argc, argv);                                                                        \
        TestObject test(environment);                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&test, argc, argv);                                                              \
    }

// Answers the next modal message box with the given button, from a timer, as a user would.
// Records the box's title and text so the test can check which box it was.
class MessageBoxAnswerer : public QObject
{
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton button) : answer(button)
    {
        connect(&poll, &QTimer::timeout, this, &MessageBoxAnswerer::tryAnswer);
        poll.start(20);
    }

    bool answered() const { return done; }
    QString title;
    QString text;

private:
    void tryAnswer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        if (QAbstractButton *button = box->button(answer))
            button->click();
        else
            box->reject();
        done = true;
        poll.stop();
    }

    QMessageBox::StandardButton answer;
    QTimer poll;
    bool done = false;
};
