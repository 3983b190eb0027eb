#pragma once

#include "operationresult.h"
#include "sevenziplisting.h"

#include <QHash>

#include <functional>

// 7z prints a line break in a name as "_", so a listed "a_b" may be "a_b" or "a", line break, "b".
// This finds the real names by asking 7z: first which entries have a line break anywhere (a wildcard
// listing; none, in almost every archive, ends the search), then, for each of those, which names they
// match exactly, halving the candidates each time. Folders found first fix the start of their
// contents' names. A name with more than maxAmbiguousPositions "_" of unknown meaning keeps its
// printed form.
class SevenZipNameResolver
{
public:
    // Lists the entries matching names, exactly or as wildcards at any depth, as records.
    using Query = std::function<OperationResult(const QStringList &names, bool exact,
                                                QList<SevenZipListing::Record> *records)>;

    static constexpr int maxAmbiguousPositions = 12;

    // budget: what the names of one query may take of the command line (SevenZipCommands::argumentCost).
    SevenZipNameResolver(Query query, qsizetype budget);

    // Gives every record whose printed name hides line breaks its real name.
    OperationResult resolve(QList<SevenZipListing::Record> *records);

private:
    OperationResult resolvePrinted(const QString &printed, QList<SevenZipListing::Record> *records);
    OperationResult search(const QString &printed, const QStringList &candidates,
                           QList<SevenZipListing::Record> *records);
    void assign(const QString &printed, const QString &name, const QList<SevenZipListing::Record> &found,
                QList<SevenZipListing::Record> *records);

    Query query;
    qsizetype budget;
    QList<bool> resolved;
    // Printed folder names that stand for exactly one folder, with its real name.
    QHash<QString, QString> knownFolders;
};
