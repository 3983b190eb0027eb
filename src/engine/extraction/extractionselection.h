#pragma once

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

// "Extract only these entries": which archive names are selected and where each lands. A name
// selects itself and, when it is a folder, everything below it; every selected entry is placed
// relative to the deepest folder that holds all selected names. Names are compared normalised
// (ExtractionTarget::checkEntryName), so a trailing "/" on a folder is optional.
//
// Threads: set it up first; place() and holdsSelectedBelow() may then be called from any thread.
class ExtractionSelection
{
public:
    // Empty selects everything, placed as stored.
    void setNames(const QStringList &names);
    bool isEmpty() const { return requested.isEmpty(); }
    // The deepest folder holding every selected name ("" for the archive's top).
    QString commonFolder() const { return common; }

    // For a normalised entry path: true when it is selected, with *placed its path below the
    // destination. Remembers which selected names matched. Linear in the path's length for
    // selections of a few levels.
    bool place(const QString &entryPath, QString *placed) const;
    // True when some selected name lies strictly below folderPath, so a walk must look inside it.
    bool holdsSelectedBelow(const QString &folderPath) const;
    // The requested names (as given) that no entry passed to place() matched.
    QStringList unmatched() const;
    // Forgets which names matched, for another pass over the archive.
    void forgetMatches();

private:
    QStringList requested;
    QStringList normalisedNames;
    // Normalised name (viewing normalisedNames' strings, which are never changed) -> positions in
    // requested (two spellings may name the same entry).
    QHash<QStringView, QList<int>> positionsByName;
    QStringList sortedNames;
    // The most components any selected name has: no longer prefix of an entry can match.
    int deepestName = 0;
    QString common;
    mutable QMutex mutex;
    mutable QList<bool> matched;
};
