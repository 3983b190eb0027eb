#include "sandbox.h"

#include "deeptree.h"
#include "linktarget.h"

#include <QDirIterator>
#include <QFile>

#include <sys/stat.h>

Sandbox::Sandbox()
{
    // Bait: a file and a folder an escaping entry would most likely aim at.
    TestTree::build(root.path(), {{QStringLiteral("outside.txt"), "untouched"},
                                  {QStringLiteral("outside/"), {}},
                                  {QStringLiteral("outside/keep.txt"), "keep"}});
}

Sandbox::~Sandbox()
{
    if (root.isValid())
        DeepTree::remove(root.path());
}

namespace {

// Paths below root, links not followed, except the destination and what it holds: a deep tree there
// would cost more to walk than the rest of a test.
QStringList pathsOutside(const QString &root, const QString &destination)
{
    QStringList paths;
    const QDir::Filters everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo &top : QDir(root).entryInfoList(everything)) {
        if (top.filePath() == destination)
            continue;
        paths.append(top.filePath());
        if (!top.isDir() || top.isSymLink())
            continue;
        QDirIterator it(top.filePath(), everything, QDirIterator::Subdirectories);
        while (it.hasNext())
            paths.append(it.next());
    }
    return paths;
}

} // namespace

TestTree::Tree Sandbox::outside() const
{
    TestTree::Tree tree;
    const QDir rootDir(root.path());
    for (const QString &path : pathsOutside(root.path(), destination())) {
        const QFileInfo info(path);
        const QString relative = rootDir.relativeFilePath(path);
        if (info.isSymLink())
            tree.insert(relative, "-> " + LinkTarget::read(path));
        else if (info.isDir())
            tree.insert(relative + QLatin1Char('/'), QByteArray());
        else
            tree.insert(relative, TestTree::readFile(path));
    }
    return tree;
}

TestTree::Tree Sandbox::outsideMetadata() const
{
    TestTree::Tree state;
    for (const QString &path : pathsOutside(root.path(), destination())) {
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            continue;
        state.insert(QDir(root.path()).relativeFilePath(path),
                     QByteArray::number(quint32(info.st_mode), 8) + ' ' +
                         QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' +
                         QByteArray::number(qint64(info.st_mtim.tv_nsec)));
    }
    return state;
}
