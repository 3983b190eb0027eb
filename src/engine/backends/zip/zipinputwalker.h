#pragma once

#include "operationresult.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QFileInfo;

// One entry to write, as the walker found it on disk.
struct ZipInputItem {
    enum class Kind { File, Folder, Link };

    QString sourcePath;
    // The name inside the archive, relative to the selected item's parent; folders end with "/".
    QString name;
    Kind kind = Kind::File;
    qint64 size = 0;
    // Unix type and permission bits, as stored in the external attributes.
    quint32 mode = 0;
    // Seconds since the epoch; -1 when unknown (a dangling link).
    qint64 modified = -1;
};

// Lists what the selected paths contribute to an archive, each item with everything below it, names
// relative to the item's parent folder, folders before their content and siblings by name. Links to
// folders and dangling links stay links (a link cycle is never walked); a link to a file contributes
// the file's content, which is what the user sees when opening it. Sockets, FIFOs and devices carry
// nothing an archive could keep and are left out. The archive being written never packs itself.
// Used on one thread.
class ZipInputWalker
{
public:
    ZipInputWalker(const QString &archivePath, std::function<bool()> cancelled);

    // InputUnreadable naming the first input (or folder below one) that is missing or cannot be read
    // or listed: packing it as empty would report success for content the archive lacks;
    // DuplicateEntryName naming an input whose name an earlier input already takes.
    OperationResult walk(const QStringList &inputs, QList<ZipInputItem> *items);

private:
    OperationResult walkItem(const QFileInfo &info, const QString &name, QList<ZipInputItem> *items);

    QString ownPath;
    std::function<bool()> cancelled;
};
