#include "libarchivehardlinks.h"

OperationResult LibArchiveHardLinks::note(qint64 index, const LibArchiveEntry &entry, bool selected,
                                          const EntryMetadata &metadata,
                                          std::optional<QByteArray> *linkTarget)
{
    linkTarget->reset();
    QString path;
    const OperationResult checked = ExtractionTarget::checkEntryName(entry.name, &path);
    if (!checked.succeeded())
        return selected ? checked : OperationResult::success();
    // A later entry on the same path takes its place, and no copy lands on it.
    pending.remove(path);
    // A file of unknown size may carry data; a hard link carries some only when it says so.
    const bool carriesData = entry.kind == LibArchiveEntry::Kind::HardLink ? entry.size > 0 : entry.size != 0;

    switch (entry.kind) {
    case LibArchiveEntry::Kind::Folder:
    case LibArchiveEntry::Kind::Special:
        setOfPath.remove(path);
        return OperationResult::success();
    case LibArchiveEntry::Kind::Link:
        setOfPath.insert(path, sets.size());
        sets.append({index, true, entry.linkTarget});
        return OperationResult::success();
    case LibArchiveEntry::Kind::File:
        setOfPath.insert(path, sets.size());
        sets.append({carriesData ? index : -1, false, {}});
        // An empty first name of a cpio set gets the content its last name brings.
        if (!carriesData && selected)
            pending.insert(path, {{entry.name, metadata}, sets.size() - 1});
        return OperationResult::success();
    case LibArchiveEntry::Kind::HardLink:
        break;
    }

    QString targetPath;
    const OperationResult targetChecked = ExtractionTarget::checkEntryName(entry.hardLinkTarget, &targetPath);
    const qsizetype set = setOfPath.value(targetPath, -1);
    if (!selected) {
        if (set >= 0) {
            setOfPath.insert(path, set);
            if (carriesData)
                sets[set].source = index;
        }
        return OperationResult::success();
    }
    if (!targetChecked.succeeded())
        return OperationResult::entryFailure(ResultCode::UnsafeEntry, entry.name, entry.hardLinkTarget);
    if (set < 0)
        return OperationResult::entryFailure(ResultCode::DamagedEntry, entry.name,
                                             QStringLiteral("hard link to an entry the archive does not "
                                                            "hold before it: ") +
                                                 entry.hardLinkTarget);
    setOfPath.insert(path, set);
    ContentSet &content = sets[set];
    if (content.isLink)
        *linkTarget = content.linkTarget;
    else if (carriesData)
        content.source = index;
    else
        pending.insert(path, {{entry.name, metadata}, set});
    return OperationResult::success();
}

QMap<qint64, QList<LibArchiveHardLinks::Copy>> LibArchiveHardLinks::copiesBySource() const
{
    QMap<qint64, QList<Copy>> copies;
    for (const Pending &waiting : pending) {
        const qint64 source = sets.at(waiting.set).source;
        if (source >= 0)
            copies[source].append(waiting.copy);
    }
    return copies;
}
