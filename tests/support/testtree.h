#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Files and folders for tests, described as one map: relative path -> content. Folders end with "/"
// (and map to nothing), links map to "-> " followed by their target.
namespace TestTree {

using Tree = QMap<QString, QByteArray>;

// Writes every file, folder and link of the tree below root; false at the first failure.
bool build(const QString &root, const Tree &tree);
// Everything below root in the same form, hidden items included, links never followed.
Tree snapshot(const QString &root);

bool writeFile(const QString &path, const QByteArray &content);
QByteArray readFile(const QString &path);
// Compressible but not trivial bytes, the same for the same seed.
QByteArray sampleData(qsizetype size, quint32 seed);
// Incompressible bytes.
QByteArray randomBytes(qsizetype size);

} // namespace TestTree
