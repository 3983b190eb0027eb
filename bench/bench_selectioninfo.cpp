// Measures what the selection status line costs when a whole folder of many files is selected
// (Ctrl+A). Run on demand: bench_selectioninfo [file count], default 100000.
//
// The selection label is recomputed by refresh as well as by selection changes. Navigation keeps
// the selection, so the files are selected in their folder, the view moves to an empty folder, and
// a refresh there costs the label over every selected row plus an empty folder listing.

#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <cstdio>
#include <ctime>

namespace {

// CPU time of the calling (GUI) thread: less disturbed than wall time when other work shares the cores.
double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double millisecondsOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
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
    const int fileCount = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;

    QTemporaryDir work;
    QDir(work.path()).mkdir(QStringLiteral("files"));
    QDir(work.path()).mkdir(QStringLiteral("empty"));
    const QString filesFolder = work.filePath(QStringLiteral("files"));
    const QString emptyFolder = work.filePath(QStringLiteral("empty"));
    const double createMs = millisecondsOf([&] {
        for (int i = 0; i < fileCount; ++i) {
            QFile file(filesFolder + QStringLiteral("/file_%1.dat").arg(i, 6, 10, QLatin1Char('0')));
            if (file.open(QIODevice::WriteOnly))
                file.write("0123456789");
        }
    });
    std::printf("created %d files of 10 bytes in %.0f ms\n", fileCount, createMs);

    MainWindow window;
    window.show();
    auto *view = window.findChild<QTreeView *>(QStringLiteral("fileTreeView"));
    auto *model = qobject_cast<QFileSystemModel *>(view->model());
    auto *pathField = window.findChild<QLineEdit *>(QStringLiteral("pathLineEdit"));
    auto *refresh = window.findChild<QToolButton *>(QStringLiteral("refreshButton"));
    auto *selectionLabel = window.findChild<QLabel *>(QStringLiteral("selectedInfoLabel"));

    const double loadMs = millisecondsOf([&] {
        pathField->setText(filesFolder);
        QTest::keyClick(pathField, Qt::Key_Return);
        while (model->rowCount(view->rootIndex()) < fileCount)
            QTest::qWait(50);
    });
    std::printf("model listed the folder in %.0f ms\n", loadMs);

    const auto timedRefresh = [&] {
        // The median of nine, so a run disturbed by other work on the machine does not decide.
        QList<double> runs;
        for (int run = 0; run < 9; ++run)
            runs << millisecondsOf([&] { refresh->click(); });
        std::sort(runs.begin(), runs.end());
        return runs.at(runs.size() / 2);
    };

    // The first selectAll also lays out the view's rows; the second is the selection alone.
    const double firstSelectAllMs = millisecondsOf([&] { view->selectAll(); });
    view->clearSelection();
    QApplication::processEvents();
    const double selectAllMs = millisecondsOf([&] { view->selectAll(); });
    const double selectedIndexesMs =
        millisecondsOf([&] { volatile auto count = view->selectionModel()->selectedIndexes().size(); });

    pathField->setText(emptyFolder);
    QTest::keyClick(pathField, Qt::Key_Return);
    const double cpuBefore = threadCpuMilliseconds();
    refresh->click();
    const double labelAllCpuMs = threadCpuMilliseconds() - cpuBefore;
    const double labelAllMs = timedRefresh();
    const QString label = selectionLabel->text();
    view->clearSelection();
    const double labelNoneMs = timedRefresh();

    std::printf("first selectAll, with the view's row layout: %.1f ms\n", firstSelectAllMs);
    std::printf("selectAll again (the selection change itself): %.1f ms\n", selectAllMs);
    std::printf("selectedIndexes() alone, one index per cell, for comparison: %.1f ms\n", selectedIndexesMs);
    std::printf("refresh in an empty folder, nothing selected: %.1f ms\n", labelNoneMs);
    std::printf("refresh in an empty folder, %d files selected: %.1f ms (%.2f us per row)\n", fileCount,
                labelAllMs, (labelAllMs - labelNoneMs) * 1000.0 / fileCount);
    std::printf("  of which GUI-thread CPU time: %.1f ms\n", labelAllCpuMs);
    std::printf("label: %s\n", qPrintable(label));
    return label.contains(QString::number(fileCount)) ? 0 : 1;
}
