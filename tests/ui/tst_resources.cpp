#include "mainwindow.h"
#include "uitestsupport.h"

#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QToolButton>
#include <QXmlStreamReader>

namespace {

QByteArray readResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

int pixelsNear(const QImage &image, QColor colour, int tolerance)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - colour.red()) <= tolerance &&
                qAbs(pixel.green() - colour.green()) <= tolerance &&
                qAbs(pixel.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    }
    return count;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

public:
    explicit TestResources(const UiTestEnvironment &) {}

private slots:
    void pathsExist_data();
    void pathsExist();
    void iconArtwork_data();
    void iconArtwork();
    void stylesheetImages();
    void logoIcoHoldsThirteenImages();
    void toolbarButtonColours();
};

void TestResources::pathsExist_data()
{
    QTest::addColumn<QString>("path");
    for (const char *path :
         {":/qss/default.css", ":/icons/logo.svg", ":/icons/logo.ico", ":/icons/nav.svg", ":/icons/min.svg",
          ":/icons/close.svg", ":/icons/add.svg", ":/icons/extractTo.svg", ":/icons/extractHere.svg",
          ":/icons/del.svg", ":/icons/up.svg", ":/icons/desktop.svg", ":/icons/search_show.svg",
          ":/icons/refresh.svg", ":/icons/listMode.svg"})
        QTest::newRow(path) << QString::fromLatin1(path);
}

void TestResources::pathsExist()
{
    QFETCH(QString, path);
    QVERIFY(QFile::exists(path));
    QVERIFY(!readResource(path).isEmpty());
}

void TestResources::iconArtwork_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("viewBox");
    QTest::addColumn<QStringList>("colours");

    QTest::newRow("logo") << ":/icons/logo.svg"
                          << "0 0 32 32" << QStringList{};
    QTest::newRow("nav") << ":/icons/nav.svg"
                         << "0 0 1024 1024" << QStringList{"#344751"};
    QTest::newRow("min") << ":/icons/min.svg"
                         << "0 0 1024 1024" << QStringList{"#344751"};
    QTest::newRow("close") << ":/icons/close.svg"
                           << "0 0 1024 1024" << QStringList{"#344751"};
    QTest::newRow("add") << ":/icons/add.svg"
                         << "0 0 1194 1024"
                         << QStringList{"#42CC8B", "#54ABFF", "#FE5A5A", "#FFBA40", "#ffffff"};
    QTest::newRow("extractTo") << ":/icons/extractTo.svg"
                               << "0 0 1170 1024"
                               << QStringList{"#5ACC9B", "#6CCBFF", "#FF5562", "#FFD766", "#ffffff"};
    QTest::newRow("extractHere") << ":/icons/extractHere.svg"
                                 << "0 0 1024 1024"
                                 << QStringList{"#55C7F7", "#7ECF3B", "#F95F5D", "#FDAF42", "#ffffff"};
    QTest::newRow("del") << ":/icons/del.svg"
                         << "0 0 1024 1024" << QStringList{"#cf3825"};
    QTest::newRow("up") << ":/icons/up.svg"
                        << "0 0 1024 1024" << QStringList{"#707c88"};
    QTest::newRow("desktop") << ":/icons/desktop.svg"
                             << "0 0 1024 1024" << QStringList{"#707c88"};
    QTest::newRow("search") << ":/icons/search_show.svg"
                            << "0 0 1024 1024" << QStringList{"#707c88"};
    QTest::newRow("refresh") << ":/icons/refresh.svg"
                             << "0 0 1024 1024" << QStringList{"#707c88"};
    QTest::newRow("listMode") << ":/icons/listMode.svg"
                              << "0 0 1024 1024" << QStringList{"#707c88"};
}

void TestResources::iconArtwork()
{
    QFETCH(QString, path);
    QFETCH(QString, viewBox);
    QFETCH(QStringList, colours);

    const QByteArray svg = readResource(path);
    QXmlStreamReader xml(svg);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QLatin1String("svg"));
    QCOMPARE(xml.attributes().value(QLatin1String("viewBox")).toString(), viewBox);

    // Only the listed colours are used (the logo is free), each of them at least once.
    static const QRegularExpression colourPattern(QStringLiteral("#[0-9A-Fa-f]{6}"));
    QSet<QString> used;
    for (const QRegularExpressionMatch &match : colourPattern.globalMatch(QString::fromUtf8(svg)))
        used.insert(match.captured().toLower());
    if (!colours.isEmpty()) {
        QSet<QString> listed;
        for (const QString &colour : colours)
            listed.insert(colour.toLower());
        QCOMPARE(used, listed);
    }

    QImageReader reader(path);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
}

void TestResources::stylesheetImages()
{
    const QStringList expected{"checkbox_checked",
                               "checkbox_checked_disable",
                               "checkbox_unchecked",
                               "checkbox_unchecked_disable",
                               "checkbox_parcial",
                               "checkbox_parcial_disable",
                               "radiobutton_checked",
                               "radiobutton_checked_disable",
                               "radiobutton_unchecked",
                               "radiobutton_unchecked_disable",
                               "add_top",
                               "add_bottom",
                               "add_left",
                               "add_right",
                               "branch_open",
                               "branch_close",
                               "calendar_prevmonth",
                               "calendar_nextmonth"};
    for (const QString &name : expected) {
        QImageReader reader(QStringLiteral(":/qss/default/%1.png").arg(name));
        QCOMPARE(reader.format(), QByteArray("png"));
        QVERIFY2(!reader.read().isNull(), qPrintable(name));
    }

    const QString css = QString::fromUtf8(readResource(QStringLiteral(":/qss/default.css")));
    static const QRegularExpression urlPattern(QStringLiteral("url\\(([^)]*)\\)"));
    QSet<QString> referenced;
    for (const QRegularExpressionMatch &match : urlPattern.globalMatch(css)) {
        const QString path = match.captured(1);
        QVERIFY2(path.startsWith(QLatin1String(":/qss/default/")) && path.endsWith(QLatin1String(".png")),
                 qPrintable(path));
        const QString name = path.mid(14).chopped(4);
        QVERIFY2(expected.contains(name), qPrintable(path));
        referenced.insert(name);
    }
    QCOMPARE(referenced.size(), expected.size());

    // The rules the program's own widgets depend on.
    for (const char *rule :
         {"#frameMain", "#headerFrame QPushButton", "#Toobar  QToolButton", "#headTool QToolButton",
          "QLineEdit[echoMode=\"2\"]", ".QFrame", "QToolButton::menu-indicator", "*:disabled"})
        QVERIFY2(css.contains(QLatin1String(rule)), rule);
}

void TestResources::logoIcoHoldsThirteenImages()
{
    const QByteArray ico = readResource(QStringLiteral(":/icons/logo.ico"));
    QVERIFY(ico.size() > 6);
    const auto word = [&ico](int offset) {
        return quint16(uchar(ico[offset]) | uchar(ico[offset + 1]) << 8);
    };
    QCOMPARE(word(0), quint16(0));
    QCOMPARE(word(2), quint16(1)); // an icon, not a cursor
    QCOMPARE(word(4), quint16(13));

    QMultiMap<int, int> sizesByDepth;
    for (int entry = 0; entry < 13; ++entry) {
        const int offset = 6 + entry * 16;
        const int size = uchar(ico[offset]) == 0 ? 256 : uchar(ico[offset]);
        sizesByDepth.insert(word(offset + 6), size);
    }
    const auto sizes = [&](int depth) {
        QList<int> list = sizesByDepth.values(depth);
        std::sort(list.begin(), list.end());
        return list;
    };
    QCOMPARE(sizes(32), (QList<int>{16, 20, 24, 32, 40, 48, 64, 256}));
    QCOMPARE(sizes(8), (QList<int>{16, 32, 48}));
    QCOMPARE(sizes(4), (QList<int>{16, 32}));

    QImageReader reader(QStringLiteral(":/icons/logo.ico"));
    QCOMPARE(reader.imageCount(), 13);
    QVERIFY(!reader.read().isNull());
}

void TestResources::toolbarButtonColours()
{
    // The window applies the light theme itself, to its own widgets.
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *button = window.findChild<QToolButton *>(QStringLiteral("addButton"));
    QVERIFY(button);
    QCOMPARE(button->palette().color(QPalette::ButtonText), QColor(0x34, 0x47, 0x51));

    const QImage normal = button->grab().toImage();
    QCOMPARE(pixelsNear(normal, QColor(0x00, 0xb6, 0x88), 24), 0);
    QTest::mouseMove(button, button->rect().center());
    QTRY_VERIFY(button->underMouse());
    QTRY_VERIFY(pixelsNear(button->grab().toImage(), QColor(0x00, 0xb6, 0x88), 24) > 0);
}

KELVANE_UI_TEST_MAIN(TestResources)
#include "tst_resources.moc"
