#include "mainwindow.h"
#include "uitestsupport.h"

#include "compressionhandler.h"

#include <QBoxLayout>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QToolButton>
#include <QTreeView>

namespace {

// receivers() is protected; this is the usual way to read it for a sender we do not own.
struct ReceiverCounter : QObject {
    using QObject::receivers;
};

int receiverCount(const QObject *sender, const char *signal)
{
    // A pointer to the member, which belongs to QObject: no object is cast to a type it does not have.
    constexpr auto receivers = &ReceiverCounter::receivers;
    return (sender->*receivers)(signal);
}

QStringList layoutItemNames(const QLayout *layout)
{
    QStringList names;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget())
            names << item->widget()->objectName();
        else if (item->layout())
            names << item->layout()->objectName();
        else if (QSpacerItem *spacer = item->spacerItem())
            names << (spacer->expandingDirections() == Qt::Horizontal ? QStringLiteral("<hspacer>")
                                                                      : QStringLiteral("<spacer>"));
    }
    return names;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

public:
    explicit TestMainWindow(const UiTestEnvironment &environment) : environment(environment) {}

private slots:
    void init();
    void cleanup();

    void windowShape();
    void widgetTree_data();
    void widgetTree();
    void layoutMetrics_data();
    void layoutMetrics();
    void widgetSizes();
    void texts_data();
    void texts();
    void icons_data();
    void icons();

    void eachSignalHasOneReceiver_data();
    void eachSignalHasOneReceiver();
    void logoAndTitleAreWiredToNothing();
    void selectionModelIsTheConnectedOne();
    void minimiseButtonMinimises();
    void closeAnsweredNoKeepsWindow();
    void closeAnsweredYesQuits();

    void headerDragMovesWindow_data();
    void headerDragMovesWindow();
    void pressOutsideHeaderOrOnControlsNeverDrags_data();
    void pressOutsideHeaderOrOnControlsNeverDrags();
    void rightButtonDoesNotDrag();
    void rightClickDuringDragKeepsDragging();

private:
    template <typename T> T *child(const char *name) const
    {
        T *widget = window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qWarning("missing child %s", name);
        return widget;
    }

    const UiTestEnvironment &environment;
    MainWindow *window = nullptr;
};

void TestMainWindow::init()
{
    window = new MainWindow;
    window->move(100, 100);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestMainWindow::cleanup()
{
    delete window;
    window = nullptr;
}

void TestMainWindow::windowShape()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->size(), QSize(800, 640));
    QCOMPARE(window->minimumSize(), QSize(800, 640));
    QCOMPARE(window->maximumSize(), QSize(800, 640));
    QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(window->windowFlags().testFlag(Qt::Window));
    QVERIFY(window->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(window->menuWidget(), nullptr);
    QCOMPARE(window->centralWidget(), child<QWidget>("centralwidget"));

    auto *shadow = qobject_cast<QGraphicsDropShadowEffect *>(window->centralWidget()->graphicsEffect());
    QVERIFY(shadow);
    QCOMPARE(shadow->blurRadius(), 20.0);
    QCOMPARE(shadow->color(), QColor(0, 0, 0, 80));
    QCOMPARE(shadow->offset(), QPointF(0, 0));
    QCOMPARE(shadow->parent(), window);
}

void TestMainWindow::widgetTree_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");

    const QList<std::array<const char *, 3>> tree = {
        {"centralwidget", "QWidget", "MainWindow"},     {"frameMain", "QFrame", "centralwidget"},
        {"headerFrame", "QFrame", "frameMain"},         {"top_head", "QFrame", "headerFrame"},
        {"pushButton", "QPushButton", "top_head"},      {"title_label", "QLabel", "top_head"},
        {"menuButton", "QPushButton", "top_head"},      {"minButton", "QPushButton", "top_head"},
        {"closeButton", "QPushButton", "top_head"},     {"Toobar", "QFrame", "headerFrame"},
        {"addButton", "QToolButton", "Toobar"},         {"extractToButton", "QToolButton", "Toobar"},
        {"extractHereButton", "QToolButton", "Toobar"}, {"deleteButton", "QToolButton", "Toobar"},
        {"headTool", "QFrame", "headerFrame"},          {"upButton", "QToolButton", "headTool"},
        {"desktopButton", "QToolButton", "headTool"},   {"pathLineEdit", "QLineEdit", "headTool"},
        {"searchLineEdit", "QLineEdit", "headTool"},    {"searchButton", "QToolButton", "headTool"},
        {"refreshButton", "QToolButton", "headTool"},   {"fileTreeView", "QTreeView", "frameMain"},
        {"selectedInfoLabel", "QLabel", "frameMain"},   {"statusLabel", "QLabel", "frameMain"},
    };
    for (const auto &[name, className, parentName] : tree)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(className)
                            << QString::fromLatin1(parentName);
}

void TestMainWindow::widgetTree()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);

    QWidget *widget = window->findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QVERIFY(widget->parentWidget());
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
}

void TestMainWindow::layoutMetrics_data()
{
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("layoutName");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QMargins>("margins");
    QTest::addColumn<QStringList>("items");

    const QString hspacer = QStringLiteral("<hspacer>");
    QTest::newRow("centralwidget") << "centralwidget"
                                   << "verticalLayout" << 0 << QMargins(10, 10, 10, 10)
                                   << QStringList{"frameMain"};
    QTest::newRow("frameMain") << "frameMain"
                               << "verticalLayout_2" << 0 << QMargins(0, 0, 0, 0)
                               << QStringList{"headerFrame", "fileTreeView", "statusLayout"};
    QTest::newRow("headerFrame") << "headerFrame"
                                 << "verticalLayout_3" << 0 << QMargins(0, 0, 0, 5)
                                 << QStringList{"top_head", "Toobar", "headTool"};
    QTest::newRow("top_head") << "top_head"
                              << "horizontalLayout_3" << 5 << QMargins(0, 0, 0, 0)
                              << QStringList{"pushButton", "title_label", hspacer,
                                             "menuButton", "minButton",   "closeButton"};
    QTest::newRow("Toobar") << "Toobar"
                            << "horizontalLayout_2" << 5 << QMargins(5, 5, 5, 5)
                            << QStringList{"addButton", "extractToButton", "extractHereButton",
                                           "deleteButton", hspacer};
    QTest::newRow("headTool") << "headTool"
                              << "toolbarLayout" << 5 << QMargins(5, 0, 5, 0)
                              << QStringList{"upButton",       "desktopButton", "pathLineEdit",
                                             "searchLineEdit", "searchButton",  "refreshButton"};
}

void TestMainWindow::layoutMetrics()
{
    QFETCH(QString, owner);
    QFETCH(QString, layoutName);
    QFETCH(int, spacing);
    QFETCH(QMargins, margins);
    QFETCH(QStringList, items);

    QWidget *widget = window->findChild<QWidget *>(owner);
    QVERIFY(widget);
    QLayout *layout = widget->layout();
    QVERIFY(layout);
    QCOMPARE(layout->objectName(), layoutName);
    QCOMPARE(layout->spacing(), spacing);
    QCOMPARE(layout->contentsMargins(), margins);
    QCOMPARE(layoutItemNames(layout), items);
}

void TestMainWindow::widgetSizes()
{
    auto *topHead = child<QFrame>("top_head");
    QCOMPARE(topHead->minimumHeight(), 35);
    QCOMPARE(topHead->maximumHeight(), 35);
    QCOMPARE(topHead->height(), 35);
    QCOMPARE(child<QFrame>("headTool")->maximumSize(), QSize(16777215, 50));
    QCOMPARE(child<QLineEdit>("searchLineEdit")->maximumSize(), QSize(200, 16777215));

    auto *path = child<QLineEdit>("pathLineEdit");
    QCOMPARE(path->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(path->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);

    auto *logo = child<QPushButton>("pushButton");
    QCOMPARE(logo->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(logo->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(logo->iconSize(), QSize(24, 24));

    auto *title = child<QLabel>("title_label");
    QCOMPARE(title->font().pointSize(), 12);
    QVERIFY(title->font().bold());

    for (const char *name : {"addButton", "extractToButton", "extractHereButton", "deleteButton"}) {
        auto *button = child<QToolButton>(name);
        QCOMPARE(button->iconSize(), QSize(32, 32));
        QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }
    for (const char *name : {"upButton", "desktopButton", "searchButton", "refreshButton"})
        QCOMPARE(child<QToolButton>(name)->toolButtonStyle(), Qt::ToolButtonIconOnly);

    for (const char *name : {"frameMain", "headerFrame"}) {
        QCOMPARE(child<QFrame>(name)->frameShape(), QFrame::StyledPanel);
        QCOMPARE(child<QFrame>(name)->frameShadow(), QFrame::Raised);
    }

    // The status line: a nested layout with a 10-pixel left margin, its two texts set well apart.
    QLayout *status = window->findChild<QHBoxLayout *>(QStringLiteral("statusLayout"));
    QVERIFY(status);
    QCOMPARE(status->contentsMargins().left(), 10);
    QCOMPARE(layoutItemNames(status), (QStringList{"selectedInfoLabel", "statusLabel", "<hspacer>"}));
    auto *selection = child<QLabel>("selectedInfoLabel");
    auto *folder = child<QLabel>("statusLabel");
    const int textEnd = selection->x() + selection->fontMetrics().horizontalAdvance(selection->text());
    QVERIFY2(folder->x() - textEnd >= 16,
             qPrintable(QStringLiteral("%1 px between the texts").arg(folder->x() - textEnd)));

    // The panel fills the window inside the 10-pixel shadow band.
    QCOMPARE(child<QFrame>("frameMain")->geometry(), QRect(10, 10, 780, 620));
}

void TestMainWindow::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("expected");

    QTest::newRow("window title") << "MainWindow" << QByteArray("windowTitle") << "Kelvane - 现代化压缩工具";
    QTest::newRow("logo") << "pushButton" << QByteArray("text") << "";
    QTest::newRow("title") << "title_label" << QByteArray("text") << "Kelvane";
    QTest::newRow("menu") << "menuButton" << QByteArray("text") << "";
    QTest::newRow("min") << "minButton" << QByteArray("text") << "";
    QTest::newRow("close") << "closeButton" << QByteArray("text") << "";
    QTest::newRow("add") << "addButton" << QByteArray("text") << "压缩选中";
    QTest::newRow("extract to") << "extractToButton" << QByteArray("text") << "解压到";
    QTest::newRow("extract here") << "extractHereButton" << QByteArray("text") << "一键解压";
    QTest::newRow("delete") << "deleteButton" << QByteArray("text") << "删除选中";
    QTest::newRow("up tooltip") << "upButton" << QByteArray("toolTip") << "向上";
    QTest::newRow("up text") << "upButton" << QByteArray("text") << "向上";
    QTest::newRow("desktop tooltip") << "desktopButton" << QByteArray("toolTip") << "转到桌面";
    QTest::newRow("desktop text") << "desktopButton" << QByteArray("text") << "";
    QTest::newRow("path placeholder") << "pathLineEdit" << QByteArray("placeholderText") << "路径...";
    QTest::newRow("search placeholder") << "searchLineEdit" << QByteArray("placeholderText") << "搜索文件...";
    QTest::newRow("search tooltip") << "searchButton" << QByteArray("toolTip") << "搜索文件";
    QTest::newRow("search text") << "searchButton" << QByteArray("text") << "";
    QTest::newRow("refresh tooltip") << "refreshButton" << QByteArray("toolTip") << "刷新当前目录";
    QTest::newRow("refresh text") << "refreshButton" << QByteArray("text") << "刷新";
}

void TestMainWindow::texts()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, property);
    QFETCH(QString, expected);

    QObject *object = name == QLatin1String("MainWindow") ? window : window->findChild<QObject *>(name);
    QVERIFY(object);
    QCOMPARE(object->property(property.constData()).toString(), expected);
}

void TestMainWindow::icons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("resource");

    QTest::newRow("logo") << "pushButton"
                          << ":/icons/logo.svg";
    QTest::newRow("menu") << "menuButton"
                          << ":/icons/nav.svg";
    QTest::newRow("min") << "minButton"
                         << ":/icons/min.svg";
    QTest::newRow("close") << "closeButton"
                           << ":/icons/close.svg";
    QTest::newRow("add") << "addButton"
                         << ":/icons/add.svg";
    QTest::newRow("extract to") << "extractToButton"
                                << ":/icons/extractTo.svg";
    QTest::newRow("extract here") << "extractHereButton"
                                  << ":/icons/extractHere.svg";
    QTest::newRow("delete") << "deleteButton"
                            << ":/icons/del.svg";
    QTest::newRow("up") << "upButton"
                        << ":/icons/up.svg";
    QTest::newRow("desktop") << "desktopButton"
                             << ":/icons/desktop.svg";
    QTest::newRow("search") << "searchButton"
                            << ":/icons/search_show.svg";
    QTest::newRow("refresh") << "refreshButton"
                             << ":/icons/refresh.svg";
}

void TestMainWindow::icons()
{
    QFETCH(QString, name);
    QFETCH(QString, resource);

    auto *button = window->findChild<QAbstractButton *>(name);
    QVERIFY(button);
    const QImage shown =
        button->icon().pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!shown.isNull(), qPrintable(name));

    // The button shows the artwork of that resource (three of them are named without suffix).
    const QImage artwork =
        QIcon(resource).pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!artwork.isNull());
    // Icons named without suffix load through the image reader and are scaled rather than
    // rendered at size, so compare by closeness, not bit for bit.
    QCOMPARE(shown.size(), artwork.size());
    qint64 difference = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y);
            const QRgb b = artwork.pixel(x, y);
            difference += qAbs(qAlpha(a) - qAlpha(b)) + qAbs(qRed(a) - qRed(b)) +
                          qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
        }
    }
    const double meanDifference = double(difference) / (shown.width() * shown.height() * 4);
    QVERIFY2(meanDifference < 6.0, qPrintable(QString::number(meanDifference)));
    bool anyOpaque = false;
    for (int y = 0; y < shown.height() && !anyOpaque; ++y)
        for (int x = 0; x < shown.width() && !anyOpaque; ++x)
            anyOpaque = qAlpha(shown.pixel(x, y)) > 0;
    QVERIFY2(anyOpaque, "the icon draws something");
}

void TestMainWindow::eachSignalHasOneReceiver_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QByteArray>("signal");

    // Buttons whose slots belong to the archive commands are checked here by their wiring; the
    // browser and chrome slots are also checked by their effects in the tests below and in
    // tst_filebrowser.
    QTest::newRow("add") << "addButton" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("extract to") << "extractToButton" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("extract here") << "extractHereButton" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("delete") << "deleteButton" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("refresh") << "refreshButton" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("path") << "pathLineEdit" << QByteArray(SIGNAL(returnPressed()));
    QTest::newRow("up") << "upButton" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("desktop") << "desktopButton" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("search button") << "searchButton" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("search text") << "searchLineEdit" << QByteArray(SIGNAL(textChanged(QString)));
    QTest::newRow("min") << "minButton" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("close") << "closeButton" << QByteArray(SIGNAL(clicked(bool)));
    QTest::newRow("double click") << "fileTreeView" << QByteArray(SIGNAL(doubleClicked(QModelIndex)));
    QTest::newRow("progress") << "handler" << QByteArray(SIGNAL(progressChanged(int)));
    QTest::newRow("completed") << "handler" << QByteArray(SIGNAL(operationCompleted(bool)));
    QTest::newRow("current file") << "handler" << QByteArray(SIGNAL(currentFileChanged(QString)));
}

void TestMainWindow::eachSignalHasOneReceiver()
{
    QFETCH(QString, sender);
    QFETCH(QByteArray, signal);

    QObject *object = sender == QLatin1String("handler") ? window->findChild<CompressionHandler *>()
                                                         : window->findChild<QObject *>(sender);
    QVERIFY(object);
    QCOMPARE(receiverCount(object, signal.constData()), 1);
}

void TestMainWindow::logoAndTitleAreWiredToNothing()
{
    QCOMPARE(receiverCount(child<QPushButton>("pushButton"), SIGNAL(clicked(bool))), 0);
    const QPoint before = window->pos();
    QTest::mouseClick(child<QPushButton>("pushButton"), Qt::LeftButton);
    QCOMPARE(window->pos(), before);
    QVERIFY(window->isVisible());
}

void TestMainWindow::selectionModelIsTheConnectedOne()
{
    auto *view = child<QTreeView>("fileTreeView");
    QVERIFY(view->selectionModel());
    QCOMPARE(view->model()->metaObject()->className(), "MyFileSystemModel");

    // A tree view listens to its own selection model; the window adds exactly one listener.
    QTreeView plainView;
    plainView.setModel(view->model());
    const char *signal = SIGNAL(selectionChanged(QItemSelection, QItemSelection));
    QCOMPARE(receiverCount(view->selectionModel(), signal),
             receiverCount(plainView.selectionModel(), signal) + 1);
}

void TestMainWindow::minimiseButtonMinimises()
{
    QVERIFY(!window->isMinimized());
    QTest::mouseClick(child<QPushButton>("minButton"), Qt::LeftButton);
    QTRY_VERIFY(window->isMinimized());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestMainWindow::closeAnsweredNoKeepsWindow()
{
    QSignalSpy quitSpy(qApp, &QCoreApplication::aboutToQuit);
    MessageBoxAnswerer answer(QMessageBox::No);
    QTest::mouseClick(child<QPushButton>("closeButton"), Qt::LeftButton);
    QVERIFY(answer.answered());
    QCOMPARE(answer.title, QStringLiteral("确认退出"));
    QCOMPARE(answer.text, QStringLiteral("确定要退出 Kelvane 吗？"));
    QVERIFY(window->isVisible());
    QCOMPARE(quitSpy.count(), 0);
}

void TestMainWindow::closeAnsweredYesQuits()
{
    // quit() only ends a running event loop, so run the application's loop around the click.
    MessageBoxAnswerer answer(QMessageBox::Yes);
    QTimer::singleShot(0, window,
                       [this] { QTest::mouseClick(child<QPushButton>("closeButton"), Qt::LeftButton); });
    QTimer safety;
    safety.setSingleShot(true);
    connect(&safety, &QTimer::timeout, qApp, [] { QCoreApplication::exit(42); });
    safety.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(answer.answered());
    QCOMPARE(answer.title, QStringLiteral("确认退出"));
}

void TestMainWindow::headerDragMovesWindow_data()
{
    QTest::addColumn<QString>("pressOn");
    QTest::addColumn<QPoint>("pressAt");

    // Points in the coordinates of the named widget; all of them fall where no control takes the press.
    QTest::newRow("title label") << "title_label" << QPoint(10, 5);
    QTest::newRow("empty title row") << "top_head" << QPoint(400, 17);
    QTest::newRow("empty toolbar") << "Toobar" << QPoint(600, 30);
    QTest::newRow("header bottom margin") << "headerFrame" << QPoint(300, -2);
}

void TestMainWindow::headerDragMovesWindow()
{
    QFETCH(QString, pressOn);
    QFETCH(QPoint, pressAt);

    QWidget *target = window->findChild<QWidget *>(pressOn);
    QVERIFY(target);
    QPoint point = pressAt;
    if (point.y() < 0) // counted from the bottom edge
        point.setY(target->height() + point.y());
    QCOMPARE(target->childAt(point), nullptr);

    const QPoint start = window->pos();
    QTest::mousePress(target, Qt::LeftButton, {}, point);
    QTest::mouseMove(target, point + QPoint(30, 20));
    QTRY_COMPARE(window->pos(), start + QPoint(30, 20));
    // Further moves stay relative to the press: target has moved with the window.
    QTest::mouseMove(target, point + QPoint(-5, 7));
    QTRY_COMPARE(window->pos(), start + QPoint(25, 27));
    QTest::mouseRelease(target, Qt::LeftButton, {}, point + QPoint(-5, 7));

    // After the release, moving the mouse leaves the window where it is.
    const QPoint dropped = window->pos();
    QTest::mouseMove(target, point + QPoint(50, 50));
    QTest::qWait(20);
    QCOMPARE(window->pos(), dropped);
}

void TestMainWindow::pressOutsideHeaderOrOnControlsNeverDrags_data()
{
    QTest::addColumn<QString>("pressOn");
    QTest::addColumn<QPoint>("pressAt");

    QTest::newRow("path field") << "pathLineEdit" << QPoint(20, 10);
    QTest::newRow("search field") << "searchLineEdit" << QPoint(20, 10);
    QTest::newRow("file tree") << "fileTreeView" << QPoint(200, 300);
    QTest::newRow("status label") << "statusLabel" << QPoint(5, 5);
    QTest::newRow("shadow band") << "MainWindow" << QPoint(5, 300);
}

void TestMainWindow::pressOutsideHeaderOrOnControlsNeverDrags()
{
    QFETCH(QString, pressOn);
    QFETCH(QPoint, pressAt);

    QWidget *target = pressOn == QLatin1String("MainWindow") ? window : window->findChild<QWidget *>(pressOn);
    QVERIFY(target);
    const QPoint start = window->pos();
    QTest::mousePress(target, Qt::LeftButton, {}, pressAt);
    QTest::mouseMove(target, pressAt + QPoint(30, 20));
    QTest::qWait(20);
    QCOMPARE(window->pos(), start);
    QTest::mouseRelease(target, Qt::LeftButton, {}, pressAt + QPoint(30, 20));
}

void TestMainWindow::rightButtonDoesNotDrag()
{
    auto *title = child<QLabel>("title_label");
    const QPoint start = window->pos();
    QTest::mousePress(title, Qt::RightButton, {}, QPoint(10, 5));
    QTest::mouseMove(title, QPoint(40, 25));
    QTest::qWait(20);
    QCOMPARE(window->pos(), start);
    QTest::mouseRelease(title, Qt::RightButton, {}, QPoint(40, 25));
}

void TestMainWindow::rightClickDuringDragKeepsDragging()
{
    auto *title = child<QLabel>("title_label");
    const QPoint start = window->pos();
    QTest::mousePress(title, Qt::LeftButton, {}, QPoint(10, 5));
    QTest::mouseMove(title, QPoint(20, 5));
    QTRY_COMPARE(window->pos(), start + QPoint(10, 0));
    QTest::mousePress(title, Qt::RightButton, {}, QPoint(10, 5));
    QTest::mouseRelease(title, Qt::RightButton, {}, QPoint(10, 5));
    QTest::mouseMove(title, QPoint(15, 10));
    QTRY_COMPARE(window->pos(), start + QPoint(15, 5));
    QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(15, 10));
}

KELVANE_UI_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
