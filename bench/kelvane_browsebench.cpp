// Times looking inside an archive as the window does it, on the offscreen platform: the listing
// through the engine, the folder tree and its model, and the first folder painted in a tree view;
// then moving into the largest folder and back up, one level at a time.
//   kelvane_browsebench <archive> [runs]
//   kelvane_browsebench --synthetic <entries> [runs]   the model alone, on a generated listing
//   kelvane_browsebench --window <archive> [runs]       the same through the main window: opening
//                                                       the archive up to its rows painted, entering
//                                                       folders, opening a file there as a
//                                                       double-click does, and going up
// Prints one "name median_ms cpu median_ms" line per figure.

#include "archiveentrymodel.h"
#include "compressionhandler.h"
#include "mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>

namespace {

double processCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Figures {
    std::map<std::string, QList<double>> wall;
    std::map<std::string, QList<double>> cpu;

    void time(const std::string &name, const std::function<void()> &work)
    {
        const double cpuBefore = processCpuMilliseconds();
        QElapsedTimer timer;
        timer.start();
        work();
        wall[name].append(double(timer.nsecsElapsed()) / 1e6);
        cpu[name].append(processCpuMilliseconds() - cpuBefore);
    }

    void add(const std::string &name, double wallMs, double cpuMs)
    {
        wall[name].append(wallMs);
        cpu[name].append(cpuMs);
    }

    static double median(QList<double> values)
    {
        std::sort(values.begin(), values.end());
        return values.at(values.size() / 2);
    }

    void print(const std::string &name) const
    {
        if (wall.count(name))
            std::printf("%s %.1f cpu %.1f\n", name.c_str(), median(wall.at(name)), median(cpu.at(name)));
    }
};

// A listing shaped like a source tree: folders of 100 files two levels down, names as the
// benchmark corpus has them, some Chinese.
ArchiveEntryList syntheticListing(int count)
{
    ArchiveEntryList entries;
    entries.reserve(count);
    const QDateTime modified = QDateTime::currentDateTimeUtc();
    for (int index = 0; index < count; ++index) {
        ArchiveEntry entry;
        const int folder = index / 100;
        entry.name =
            QStringLiteral("src/模块%1/part%2/").arg(folder / 10, 2, 10, QLatin1Char('0')).arg(folder % 10) +
            (index % 7 == 0 ? QStringLiteral("文档%1.txt") : QStringLiteral("file%1.txt"))
                .arg(index, 6, 10, QLatin1Char('0'));
        entry.size = 1024 + index % 15000;
        entry.compressedSize = entry.size / 3;
        entry.modified = modified;
        entries.append(entry);
    }
    return entries;
}

// The folder with the most items, and the folders from the top down to it.
QStringList pathToLargestFolder(const ArchiveEntryTree &tree)
{
    int largest = ArchiveEntryTree::top;
    for (int id = 0; id < tree.size(); ++id) {
        if (tree.node(id).isFolder && tree.node(id).children.size() > tree.node(largest).children.size())
            largest = id;
    }
    QStringList path;
    for (int id = largest; id != ArchiveEntryTree::top; id = tree.node(id).parent)
        path.prepend(tree.node(id).path);
    return path;
}

void paint(QTreeView &view)
{
    view.viewport()->repaint();
}

// The row of the shown folder whose entry is path.
QModelIndex shownRow(const QTreeView &view, const QString &path)
{
    const QModelIndex root = view.rootIndex();
    for (int row = 0; row < view.model()->rowCount(root); ++row) {
        const QModelIndex index = view.model()->index(row, 0, root);
        if (index.data(ArchiveEntryModel::EntryPathRole).toString() == path)
            return index;
    }
    return QModelIndex();
}

// Stands in for the desktop's default application: counts what the window hands over.
class OpenedFiles : public QObject
{
    Q_OBJECT

public:
    int count = 0;

public slots:
    void open(const QUrl &) { ++count; }
};

// Through the window: openArchive() (the listing job, the tree, the rows) up to the first paint,
// then the largest folder entered as a double-click does and left with the Up button.
int windowFigures(const QString &archive, int runs)
{
    // The window reads and writes its settings; never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was never shown\n");
        return 1;
    }
    auto *view = window.findChild<QTreeView *>(QStringLiteral("fileTreeView"));
    auto *up = window.findChild<QAbstractButton *>(QStringLiteral("upButton"));
    OpenedFiles desktop;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
    Figures figures;
    qsizetype entryCount = 0;
    for (int run = 0; run < runs; ++run) {
        bool opened = false;
        figures.time("shown", [&] {
            opened = window.openArchive(archive);
            paint(*view);
        });
        auto *model = qobject_cast<ArchiveEntryModel *>(view->model());
        if (!opened || !model) {
            std::fprintf(stderr, "opening failed\n");
            return 1;
        }
        entryCount = model->tree().entryCount();
        const QStringList path = pathToLargestFolder(model->tree());
        for (const QString &folder : path) {
            const QModelIndex row = shownRow(*view, folder);
            figures.time("enter", [&] {
                QMetaObject::invokeMethod(&window, "onItemDoubleClicked", Q_ARG(QModelIndex, row));
                paint(*view);
            });
        }
        // The folder's first file, taken out of the archive alone and handed to the desktop.
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            const QModelIndex file = view->model()->index(row, 0, view->rootIndex());
            if (file.data(ArchiveEntryModel::IsFolderRole).toBool())
                continue;
            const int before = desktop.count;
            figures.time("entry", [&] {
                QMetaObject::invokeMethod(&window, "onItemDoubleClicked", Q_ARG(QModelIndex, file));
            });
            if (desktop.count != before + 1) {
                std::fprintf(stderr, "the entry was not opened\n");
                return 1;
            }
            break;
        }
        for (qsizetype level = 0; level < path.size(); ++level) {
            figures.time("up", [&] {
                up->click();
                paint(*view);
            });
        }
        // Out of the archive, to the folder holding it.
        up->click();
    }
    std::printf("entries %lld\n", qlonglong(entryCount));
    for (const char *name : {"shown", "enter", "entry", "up"})
        figures.print(name);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CompressionHandler::tuneAllocatorForArchiveWork();
    CompressionHandler::pinTimeZoneForArchiveWork();
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const bool synthetic = !arguments.isEmpty() && arguments.first() == QLatin1String("--synthetic");
    const bool throughWindow = !arguments.isEmpty() && arguments.first() == QLatin1String("--window");
    if (synthetic || throughWindow)
        arguments.removeFirst();
    if (arguments.isEmpty() || arguments.size() > 2) {
        std::fprintf(stderr, "usage: kelvane_browsebench <archive> [runs]\n"
                             "       kelvane_browsebench --synthetic <entries> [runs]\n"
                             "       kelvane_browsebench --window <archive> [runs]\n");
        return 2;
    }
    const int runs = arguments.size() > 1 ? std::max(1, arguments.at(1).toInt()) : 5;
    if (throughWindow)
        return windowFigures(arguments.first(), runs);

    QTreeView view;
    view.resize(900, 600);
    view.setRootIsDecorated(false);
    view.setUniformRowHeights(true);
    view.show();
    // Painting needs a window the platform has exposed.
    if (!QTest::qWaitForWindowExposed(&view)) {
        std::fprintf(stderr, "the view was never shown\n");
        return 1;
    }
    Figures figures;
    qsizetype entryCount = 0;
    for (int run = 0; run < runs; ++run) {
        ArchiveEntryModel model;
        view.setModel(&model);
        ArchiveEntryList entries;
        if (synthetic) {
            entries = syntheticListing(arguments.first().toInt());
        } else {
            bool listed = false;
            figures.time("list", [&] {
                CompressionHandler handler;
                listed = handler.listArchive(arguments.first(), QString(), &entries);
            });
            if (!listed) {
                std::fprintf(stderr, "listing failed\n");
                return 1;
            }
        }
        entryCount = entries.size();
        figures.time("model", [&] {
            model.setTree(ArchiveEntryTree::build(entries));
            view.setRootIndex(QModelIndex());
            paint(view);
        });
        if (!synthetic)
            figures.add("shown", figures.wall["list"].last() + figures.wall["model"].last(),
                        figures.cpu["list"].last() + figures.cpu["model"].last());

        // Into the largest folder level by level, then back up to the top.
        const QStringList path = pathToLargestFolder(model.tree());
        for (const QString &folder : path) {
            figures.time("enter", [&] {
                view.setRootIndex(model.setRootPath(folder));
                paint(view);
            });
        }
        for (qsizetype level = path.size() - 2; level >= -1; --level) {
            const QString folder = level < 0 ? QString() : path.at(level);
            figures.time("up", [&] {
                view.setRootIndex(model.setRootPath(folder));
                paint(view);
            });
        }
        if (!path.isEmpty()) {
            view.setRootIndex(model.setRootPath(path.last()));
            figures.time("sort", [&] {
                model.sort(ArchiveEntryModel::SizeColumn, Qt::DescendingOrder);
                paint(view);
            });
            figures.time("search", [&] {
                model.setNameFilter(QStringLiteral("1"));
                paint(view);
            });
        }
        view.setModel(nullptr);
    }
    std::printf("entries %lld\n", qlonglong(entryCount));
    for (const char *name : {"list", "model", "shown", "enter", "up", "sort", "search"})
        figures.print(name);
    return 0;
}

#include "kelvane_browsebench.moc"
