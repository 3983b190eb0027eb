#include "mainwindow.h"
#include "modaldialogdriver.h"
#include "testtree.h"
#include "uitestenvironment.h"

#include "compressionhandler.h"

#include <QAction>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_LINUX
// Counts the openings of one folder itself (not of its entries), by any thread, through inotify.
class FolderOpenings
{
public:
    explicit FolderOpenings(const QString &folder) : descriptor(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (descriptor >= 0 &&
            // Closes are watched too: identical events in a row are merged into one.
            inotify_add_watch(descriptor, QFile::encodeName(folder).constData(),
                              IN_OPEN | IN_CLOSE | IN_ONLYDIR) < 0) {
            ::close(descriptor);
            descriptor = -1;
        }
    }
    ~FolderOpenings()
    {
        if (descriptor >= 0)
            ::close(descriptor);
    }
    bool isValid() const { return descriptor >= 0; }

    int count()
    {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t length; (length = ::read(descriptor, buffer, sizeof buffer)) > 0;) {
            for (ssize_t offset = 0; offset < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
                // Events of the folder itself carry no name.
                if ((event->mask & IN_OPEN) && event->len == 0)
                    ++openings;
                offset += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return openings;
    }

private:
    int descriptor;
    int openings = 0;
};
#endif

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
    void widgetSizes();
    void startUpListsTheShownFolderOnce();
    void formBindsEverySlotItNames();
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

// What a user sees of the layout: the panel fills the window inside the shadow band, the head row
// keeps its height, and the two status texts stand well apart.
void TestMainWindow::widgetSizes()
{
    QCOMPARE(child<QFrame>("frameMain")->geometry(), QRect(10, 10, 780, 620));
    QCOMPARE(child<QFrame>("top_head")->height(), 35);

    auto *selection = child<QLabel>("selectedInfoLabel");
    auto *folder = child<QLabel>("statusLabel");
    const int textEnd = selection->x() + selection->fontMetrics().horizontalAdvance(selection->text());
    QVERIFY2(folder->x() - textEnd >= 16,
             qPrintable(QStringLiteral("%1 px between the texts").arg(folder->x() - textEnd)));
}

// One listing for the status line and one by the toolkit's model for the view; the language, the
// settings and the menu set up around them list nothing.
void TestMainWindow::startUpListsTheShownFolderOnce()
{
#ifndef Q_OS_LINUX
    QSKIP("Counts the folder's openings through inotify");
#else
    delete window;
    window = nullptr;
    const QString desktop = environment.desktopPath();
    for (const QString &name : {QStringLiteral("a.txt"), QStringLiteral("b.zip"), QStringLiteral("sub/")})
        QVERIFY(TestTree::build(desktop, {{name, QByteArrayLiteral("x")}}));
    FolderOpenings openings(desktop);
    QVERIFY(openings.isValid());

    MainWindow fresh;
    fresh.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh));
    auto *view = fresh.findChild<QTreeView *>(QStringLiteral("fileTreeView"));
    QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 3);
    QTest::qWait(300);
    QCOMPARE(openings.count(), 2);
#endif
}

// Every slot named for an object of a form (on_<object>_<signal>) finds it: the menu's reset and
// about entries are such objects, the about box closes on Return through its own, and the toolkit
// finds nothing to warn about.
void TestMainWindow::formBindsEverySlotItNames()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("connectSlotsByName")));
    MainWindow fresh;
    fresh.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh));
    bool aboutClosedByReturn = false;
    ModalDialogDriver dialogs;
    dialogs.then(ModalDialogDriver::press(QMessageBox::No)).then([&aboutClosedByReturn](QWidget *about) {
        QVERIFY(QTest::qWaitForWindowActive(about));
        QTest::keyClick(about, Qt::Key_Return);
        aboutClosedByReturn = !about->isVisible();
        if (!aboutClosedByReturn)
            ModalDialogDriver::reject()(about);
    });
    for (const char *entry : {"resetButton", "aboutButton"}) {
        auto *action = fresh.findChild<QAction *>(QLatin1String(entry));
        QVERIFY2(action, entry);
        action->trigger();
    }
    QTRY_VERIFY2(dialogs.finished(), qPrintable(dialogs.state()));
    QCOMPARE(dialogs.seen.size(), 2);
    QVERIFY2(dialogs.seen.first().startsWith(QStringLiteral("box|重置确认|")),
             qPrintable(dialogs.seen.first()));
    QVERIFY2(dialogs.seen.last().startsWith(QStringLiteral("other|关于Kelvane")),
             qPrintable(dialogs.seen.last()));
    QVERIFY(aboutClosedByReturn);
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
    ModalDialogDriver answer;
    answer.then(ModalDialogDriver::press(QMessageBox::No));
    QTest::mouseClick(child<QPushButton>("closeButton"), Qt::LeftButton);
    QVERIFY(answer.finished());
    QCOMPARE(answer.seen, QStringList{QStringLiteral("box|确认退出|确定要退出 Kelvane 吗？")});
    QVERIFY(window->isVisible());
    QCOMPARE(quitSpy.count(), 0);
}

void TestMainWindow::closeAnsweredYesQuits()
{
    // quit() only ends a running event loop, so run the application's loop around the click.
    ModalDialogDriver answer;
    answer.then(ModalDialogDriver::press(QMessageBox::Yes));
    QTimer::singleShot(0, window,
                       [this] { QTest::mouseClick(child<QPushButton>("closeButton"), Qt::LeftButton); });
    QTimer safety;
    safety.setSingleShot(true);
    connect(&safety, &QTimer::timeout, qApp, [] { QCoreApplication::exit(42); });
    safety.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(answer.finished());
    QCOMPARE(answer.seen, QStringList{QStringLiteral("box|确认退出|确定要退出 Kelvane 吗？")});
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
