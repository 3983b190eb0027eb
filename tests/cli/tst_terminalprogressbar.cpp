// The progress line and the terminal text helpers it rests on: columns counted as a terminal draws
// them (two for Chinese characters), nothing wider than the terminal, the entry's tail kept.
#include "helptext.h"
#include "terminal.h"
#include "terminalprogressbar.h"

#include <QTest>

class TestTerminalProgressBar : public QObject
{
    Q_OBJECT

private slots:
    void displayWidth_data();
    void displayWidth();
    void fitTailKeepsTheEnd_data();
    void fitTailKeepsTheEnd();
    void lineFitsTheTerminal_data();
    void lineFitsTheTerminal();
    void wrapKeepsWidthAndIndent_data();
    void wrapKeepsWidthAndIndent();
};

void TestTerminalProgressBar::displayWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::newRow("ASCII") << QStringLiteral("abc.txt") << 7;
    QTest::newRow("Han") << QStringLiteral("文件") << 4;
    QTest::newRow("mixed") << QStringLiteral("a/文件.txt") << 10;
    QTest::newRow("full-width punctuation") << QStringLiteral("（x）") << 5;
    QTest::newRow("combining accent") << QStringLiteral("e\u0301") << 1;
    QTest::newRow("outside the basic plane") << QString::fromUcs4(U"\U00020000") << 2;
}

void TestTerminalProgressBar::displayWidth()
{
    QFETCH(QString, text);
    QTEST(Terminal::displayWidth(text), "width");
}

void TestTerminalProgressBar::fitTailKeepsTheEnd_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("fitted");
    QTest::newRow("fits") << QStringLiteral("short") << 10 << QStringLiteral("short");
    QTest::newRow("cut") << QStringLiteral("folder/file.txt") << 11 << QStringLiteral("...file.txt");
    QTest::newRow("a wide character is never halved")
        << QStringLiteral("目录/文件名.txt") << 12 << QStringLiteral("...件名.txt");
    QTest::newRow("no room") << QStringLiteral("abc") << 0 << QString();
}

void TestTerminalProgressBar::fitTailKeepsTheEnd()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, fitted);
    QCOMPARE(Terminal::fitTail(text, width), fitted);
    QVERIFY(Terminal::displayWidth(Terminal::fitTail(text, width)) <= width);
}

void TestTerminalProgressBar::lineFitsTheTerminal_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("entry");
    const QString longChinese = QStringLiteral("文档/") + QString(60, QChar(0x6587)) + QStringLiteral(".txt");
    for (const int width : {20, 40, 79, 200}) {
        QTest::addRow("%d columns, no total", width) << width << qint64(0) << QStringLiteral("a.txt");
        QTest::addRow("%d columns, Chinese entry", width) << width << qint64(5) << longChinese;
    }
}

void TestTerminalProgressBar::lineFitsTheTerminal()
{
    QFETCH(int, width);
    QFETCH(qint64, total);
    QFETCH(QString, entry);
    OperationProgress progress;
    progress.percent = 42;
    progress.processedBytes = total / 2;
    progress.totalBytes = total * 1024 * 1024;
    progress.currentEntry = entry;
    const QString line = TerminalProgressBar::render(progress, width);
    QVERIFY2(Terminal::displayWidth(line) <= width, qPrintable(line));
    QVERIFY2(line.contains(QLatin1String("42%")), qPrintable(line));
    QVERIFY(!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r')));
    // With room to spare the entry is shown whole.
    if (width == 200)
        QVERIFY2(line.endsWith(entry), qPrintable(line));
}

void TestTerminalProgressBar::wrapKeepsWidthAndIndent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("indent");
    QTest::newRow("English") << QStringLiteral("Read the password as one line from standard input (not shown "
                                               "while typed on a terminal). With a, it encrypts the archive.")
                             << 28;
    QTest::newRow("Chinese without spaces")
        << QStringLiteral(
               "从标准输入读取一行作为密码（在终端上输入时不显示）。a 用它加密新的压缩包（仅限 ZIP 和 7z）。")
        << 28;
    QTest::newRow("no indent") << QStringLiteral(
                                      "程序不接受以参数给出的密码，因为本机的其他用户可以在进程列表中看到它。"
                                      "A progress bar is shown when standard error is a terminal.")
                               << 0;
}

void TestTerminalProgressBar::wrapKeepsWidthAndIndent()
{
    QFETCH(QString, text);
    QFETCH(int, indent);
    const int width = 80;
    const QStringList lines = HelpText::wrap(text, indent, width).split(QLatin1Char('\n'));
    QVERIFY(lines.size() > 1);
    QString joined;
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QString &line = lines.at(index);
        QVERIFY2(Terminal::displayWidth(line) + (index == 0 ? indent : 0) <= width, qPrintable(line));
        if (index > 0)
            QVERIFY2(line.startsWith(QString(indent, QLatin1Char(' '))) &&
                         (indent == 0 || line.at(indent) != QLatin1Char(' ')),
                     qPrintable(line));
        joined += line.trimmed();
    }
    // Nothing lost but the spaces at the breaks.
    QString expected = text;
    expected.remove(QLatin1Char(' '));
    joined.remove(QLatin1Char(' '));
    QCOMPARE(joined, expected);
}

QTEST_GUILESS_MAIN(TestTerminalProgressBar)
#include "tst_terminalprogressbar.moc"
