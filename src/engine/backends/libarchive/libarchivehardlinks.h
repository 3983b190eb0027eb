#pragma once

#include "extractiontarget.h"
#include "libarchivereader.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// How hard links of a streamed archive become files: never as links (a link would tie two names of
// the destination together, or to something outside it), but as copies. Every entry names the
// content it shares: a file its own, a hard link that of an entry before it, found by name. The
// content is the last data of that set (tar stores it with the first name, cpio with the last), and
// every selected name of the set that did not carry it gets a copy, read in a second pass over the
// archive. A hard link to a symbolic link is the same symbolic link. A hard link whose target climbs
// out of the destination is refused as UnsafeEntry; one whose target the archive does not hold
// before it fails as DamagedEntry. One per pass; not thread-safe.
class LibArchiveHardLinks
{
public:
    struct Copy {
        QString entryName;
        EntryMetadata metadata;
    };

    // Records the entry at position index of the archive. For a selected hard link to a symbolic
    // link, *linkTarget receives the bytes to make the same link with (empty otherwise).
    OperationResult note(qint64 index, const LibArchiveEntry &entry, bool selected,
                         const EntryMetadata &metadata, std::optional<QByteArray> *linkTarget);
    // The copies still to make, by the position of the entry whose data they take.
    QMap<qint64, QList<Copy>> copiesBySource() const;

private:
    struct ContentSet {
        // Position of the entry holding the content; -1 while none did.
        qint64 source = -1;
        bool isLink = false;
        QByteArray linkTarget;
    };
    struct Pending {
        Copy copy;
        qsizetype set = 0;
    };

    QList<ContentSet> sets;
    // Relative path below the destination -> the content set the name belongs to.
    QHash<QString, qsizetype> setOfPath;
    QHash<QString, Pending> pending;
};
