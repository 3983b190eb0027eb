#include "sandbox.h"

#include "deeptree.h"

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

TestTree::Tree Sandbox::outside() const
{
    TestTree::Tree tree = TestTree::snapshot(root.path());
    for (auto it = tree.begin(); it != tree.end();) {
        if (it.key() == QLatin1String("dest/") || it.key().startsWith(QLatin1String("dest/")) ||
            it.key() == QLatin1String("dest"))
            it = tree.erase(it);
        else
            ++it;
    }
    return tree;
}

TestTree::Tree Sandbox::outsideMetadata() const
{
    TestTree::Tree state;
    const QString destinationPath = destination();
    QDirIterator it(root.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path == destinationPath || path.startsWith(destinationPath + QLatin1Char('/')))
            continue;
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
