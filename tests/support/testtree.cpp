#include "testtree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <unistd.h>

namespace {

// The target exactly as stored, not resolved against the file system.
QByteArray linkTarget(const QString &path)
{
    QByteArray target(4096, Qt::Uninitialized);
    const ssize_t length =
        ::readlink(QFile::encodeName(path).constData(), target.data(), size_t(target.size()));
    return length < 0 ? QByteArray() : target.left(length);
}

} // namespace

namespace TestTree {

bool build(const QString &root, const Tree &tree)
{
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        const QString path = root + QLatin1Char('/') + it.key();
        if (it.key().endsWith(QLatin1Char('/'))) {
            if (!QDir().mkpath(path))
                return false;
            continue;
        }
        QDir().mkpath(QFileInfo(path).path());
        if (it.value().startsWith("-> ")) {
            if (!QFile::link(QString::fromUtf8(it.value().mid(3)), path))
                return false;
            continue;
        }
        if (!writeFile(path, it.value()))
            return false;
    }
    return true;
}

Tree snapshot(const QString &root)
{
    Tree tree;
    const QDir rootDir(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = rootDir.relativeFilePath(path);
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink())
            tree.insert(relative, "-> " + linkTarget(path));
        else if (info.isDir())
            tree.insert(relative + QLatin1Char('/'), QByteArray());
        else
            tree.insert(relative, info.isReadable() ? readFile(path) : QByteArray("<unreadable>"));
    }
    return tree;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray sampleData(qsizetype size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 state = seed * 2654435761u + 1;
    for (qsizetype i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        data[i] = char('a' + (state >> 16) % 7);
    }
    return data;
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

} // namespace TestTree
