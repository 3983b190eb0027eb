// Times the main window's status line over one large folder, in the real window on the offscreen
// platform, the way a user triggers it:
//   folder status: Enter in the path field (navigation) and the refresh button, nothing selected;
//   selection status: Ctrl+A in the tree, from the key press to the label showing every row.
// kelvane_statusbench <folder> [runs]   (prints one "name median_ms" line per figure)

#include "mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

double processCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Wall time of one call, and beside it the processor time of all the process's threads: on a
// busy machine the second shows what the work itself costs.
QList<double> cpuTimes;
double millisecondsOf(const std::function<void()> &work)
{
    const double cpuBefore = processCpuMilliseconds();
    QElapsedTimer timer;
    timer.start();
    work();
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    cpuTimes.append(processCpuMilliseconds() - cpuBefore);
    return elapsed;
}

void printFigure(const char *name, const QList<double> &wall, const QList<double> &cpu)
{
    std::printf("%s %.1f cpu %.1f\n", name, median(wall), median(cpu));
}

} // namespace

int main(int argc, char *argv[])
{
    // A private home: the window must not read or write the user's settings.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvane_statusbench <folder> [runs]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 5;
    const int entryCount = int(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
    const int fileCount = int(QDir(folder).entryList(QDir::Files).size());

    MainWindow window;
    window.show();
    auto *view = window.findChild<QTreeView *>(QStringLiteral("fileTreeView"));
    auto *model = qobject_cast<QFileSystemModel *>(view->model());
    auto *pathField = window.findChild<QLineEdit *>(QStringLiteral("pathLineEdit"));
    auto *refresh = window.findChild<QToolButton *>(QStringLiteral("refreshButton"));
    auto *folderLabel = window.findChild<QLabel *>(QStringLiteral("statusLabel"));
    auto *selectionLabel = window.findChild<QLabel *>(QStringLiteral("selectedInfoLabel"));

    const auto navigateTo = [&](const QString &path) {
        pathField->setText(path);
        QTest::keyClick(pathField, Qt::Key_Return);
    };
    const QString expectedFileCount = QString::number(fileCount);
    QList<double> navigation;
    cpuTimes.clear();
    for (int run = 0; run < runs; ++run) {
        navigateTo(home.path());
        QApplication::processEvents();
        navigation.append(millisecondsOf([&] { navigateTo(folder); }));
        if (!folderLabel->text().contains(expectedFileCount)) {
            std::fprintf(stderr, "folder label does not count %d files: %s\n", fileCount,
                         qPrintable(folderLabel->text()));
            return 1;
        }
    }
    const QList<double> navigationCpu = cpuTimes;
    // The model lists the folder on its own thread; Ctrl+A can select only the rows it has.
    QElapsedTimer listing;
    listing.start();
    while (model->rowCount(view->rootIndex()) < entryCount && listing.elapsed() < 600000)
        QTest::qWait(50);

    view->clearSelection();
    QList<double> refreshes;
    cpuTimes.clear();
    for (int run = 0; run < runs; ++run) {
        refreshes.append(millisecondsOf([&] { refresh->click(); }));
        QApplication::processEvents();
    }
    const QList<double> refreshCpu = cpuTimes;

    const QString expectedSelection = QString::number(model->rowCount(view->rootIndex()));
    QList<double> selectAll;
    bool labelFollowsKey = true;
    QList<double> selectAllCpu;
    for (int run = 0; run < runs; ++run) {
        view->clearSelection();
        QApplication::processEvents();
        view->setFocus();
        cpuTimes.clear();
        selectAll.append(millisecondsOf([&] { QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier); }));
        selectAllCpu.append(cpuTimes.constLast());
        labelFollowsKey = labelFollowsKey && selectionLabel->text().contains(expectedSelection);
    }
    // With every row selected, a refresh recomputes both labels; the difference to the refresh
    // with nothing selected is the selection label's own cost.
    QList<double> refreshesAllSelected;
    cpuTimes.clear();
    for (int run = 0; run < runs; ++run) {
        refreshesAllSelected.append(millisecondsOf([&] { refresh->click(); }));
        QApplication::processEvents();
    }
    const QList<double> refreshAllSelectedCpu = cpuTimes;
    if (!selectionLabel->text().contains(expectedSelection)) {
        std::fprintf(stderr, "selection label does not count %s rows: %s\n", qPrintable(expectedSelection),
                     qPrintable(selectionLabel->text()));
        return 1;
    }

    std::printf("entries %d\n", entryCount);
    printFigure("folder_status_navigate", navigation, navigationCpu);
    printFigure("folder_status_refresh", refreshes, refreshCpu);
    printFigure("select_all_ctrl_a", selectAll, selectAllCpu);
    printFigure("refresh_all_selected", refreshesAllSelected, refreshAllSelectedCpu);
    std::printf("selection_label_only %.1f cpu %.1f\n", median(refreshesAllSelected) - median(refreshes),
                median(refreshAllSelectedCpu) - median(refreshCpu));
    std::printf("label_follows_ctrl_a %s\n", labelFollowsKey ? "yes" : "no");
    std::printf("labels %s | %s\n", qPrintable(folderLabel->text()), qPrintable(selectionLabel->text()));
    return 0;
}
