// Measures what the selection status line costs when a whole folder of many files is selected
// (Ctrl+A). Run on demand: bench_selectioninfo [file count], default 100000.
//
// The window's selection label is recomputed by refresh as well as by selection changes, so the
// label's own cost is the time of a refresh with every row selected minus one with none selected.

#include "mainwindow.h"

#include <QApplication>
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

namespace {

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

    QTemporaryDir folder;
    const double createMs = millisecondsOf([&] {
        for (int i = 0; i < fileCount; ++i) {
            QFile file(folder.filePath(QStringLiteral("file_%1.dat").arg(i, 6, 10, QLatin1Char('0'))));
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
        pathField->setText(folder.path());
        QTest::keyClick(pathField, Qt::Key_Return);
        while (model->rowCount(view->rootIndex()) < fileCount)
            QTest::qWait(50);
    });
    std::printf("model listed the folder in %.0f ms\n", loadMs);

    const auto timedRefresh = [&] {
        // Best of five, so one disturbed run does not decide the figure.
        double best = 1e300;
        for (int run = 0; run < 5; ++run)
            best = std::min(best, millisecondsOf([&] { refresh->click(); }));
        return best;
    };

    view->clearSelection();
    const double refreshNoneMs = timedRefresh();
    // The first selectAll also lays out the view's rows; the second is the selection alone.
    const double firstSelectAllMs = millisecondsOf([&] { view->selectAll(); });
    view->clearSelection();
    QApplication::processEvents();
    const double selectAllMs = millisecondsOf([&] { view->selectAll(); });
    const double refreshAllMs = timedRefresh();
    const QString label = selectionLabel->text();
    const double selectedIndexesMs =
        millisecondsOf([&] { volatile auto count = view->selectionModel()->selectedIndexes().size(); });

    std::printf("first selectAll, with the view's row layout: %.1f ms\n", firstSelectAllMs);
    std::printf("selectAll (selection change with its slots): %.1f ms\n", selectAllMs);
    std::printf("refresh, nothing selected: %.1f ms\n", refreshNoneMs);
    std::printf("refresh, all %d rows selected: %.1f ms\n", fileCount, refreshAllMs);
    std::printf("selection label for %d rows: %.1f ms (%.2f us per row)\n", fileCount,
                refreshAllMs - refreshNoneMs, (refreshAllMs - refreshNoneMs) * 1000.0 / fileCount);
    std::printf("for comparison, selectedIndexes() alone (one index per cell): %.1f ms\n", selectedIndexesMs);
    std::printf("label: %s\n", qPrintable(label));
    return label.contains(QString::number(fileCount)) ? 0 : 1;
}
