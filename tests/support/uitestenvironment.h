#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QtTest>

// A private home, configuration, data, cache, runtime and temporary folder for one UI test
// executable, set in the environment before QApplication exists, so the window never reads or writes
// the real user's settings or desktop and what the engine leaves in the temporary folder can be seen.
class UiTestEnvironment
{
public:
    UiTestEnvironment();

    bool isValid() const { return root.isValid(); }
    QString homePath() const;
    QString desktopPath() const;
    // TMPDIR of the process.
    QString temporaryPath() const;
    // A folder for the test's own files, outside home.
    QString workPath() const;

private:
    QTemporaryDir root;
};

// main() of a UI test executable: the environment, then the application, then the test object,
// which is built from the environment.
#define KELVANE_UI_TEST_MAIN(TestObject)                                                                     \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        UiTestEnvironment environment;                                                                       \
        if (!environment.isValid())                                                                          \
            return 1;                                                                                        \
        QApplication app(argc, argv);                                                                        \
        TestObject test(environment);                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
