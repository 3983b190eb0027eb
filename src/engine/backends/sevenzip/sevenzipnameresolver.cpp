#include "sevenzipnameresolver.h"

#include "sevenzipcommands.h"

#include <QSet>

#include <algorithm>

using SevenZipListing::Record;

namespace {

const QChar printedBreak = QLatin1Char('_');

} // namespace

SevenZipNameResolver::SevenZipNameResolver(Query query, qsizetype budget)
    : query(std::move(query)), budget(budget)
{
}

OperationResult SevenZipNameResolver::resolve(QList<Record> *records)
{
    const bool anyAmbiguous = std::any_of(records->cbegin(), records->cend(), [](const Record &record) {
        return record.printedName.contains(printedBreak);
    });
    if (!anyAmbiguous)
        return OperationResult::success();

    QList<Record> withBreaks;
    OperationResult outcome = query({QStringLiteral("*\n*")}, false, &withBreaks);
    if (!outcome.succeeded() || withBreaks.isEmpty())
        return outcome;

    resolved = QList<bool>(records->size(), false);
    QStringList printedNames;
    for (const Record &record : std::as_const(withBreaks)) {
        if (!printedNames.contains(record.printedName))
            printedNames.append(record.printedName);
    }
    // Folders before their contents, so a folder's real name is known when its contents come.
    std::stable_sort(printedNames.begin(), printedNames.end(),
                     [](const QString &a, const QString &b) { return a.size() < b.size(); });
    for (const QString &printed : std::as_const(printedNames)) {
        outcome = resolvePrinted(printed, records);
        if (!outcome.succeeded())
            return outcome;
    }
    return OperationResult::success();
}

OperationResult SevenZipNameResolver::resolvePrinted(const QString &printed, QList<Record> *records)
{
    QString base = printed;
    qsizetype fixedUpTo = 0;
    for (auto folder = knownFolders.cbegin(); folder != knownFolders.cend(); ++folder) {
        if (folder.key().size() > fixedUpTo && printed.startsWith(folder.key() + QLatin1Char('/'))) {
            fixedUpTo = folder.key().size();
            base = folder.value() + printed.mid(fixedUpTo);
        }
    }
    QList<qsizetype> positions;
    for (qsizetype i = fixedUpTo; i < printed.size(); ++i) {
        if (printed.at(i) == printedBreak)
            positions.append(i);
    }
    if (positions.size() > maxAmbiguousPositions)
        return OperationResult::success();

    QStringList candidates;
    for (quint32 mask = 0; mask < (1u << positions.size()); ++mask) {
        QString candidate = base;
        for (qsizetype bit = 0; bit < positions.size(); ++bit) {
            if (mask & (1u << bit))
                candidate[positions.at(bit)] = QLatin1Char('\n');
        }
        if (candidate != printed)
            candidates.append(candidate);
    }
    const OperationResult outcome = search(printed, candidates, records);
    if (!outcome.succeeded())
        return outcome;

    qsizetype only = -1;
    for (qsizetype i = 0; i < records->size(); ++i) {
        if (records->at(i).printedName != printed)
            continue;
        if (only >= 0)
            return outcome; // two entries print alike: their contents cannot rely on either
        only = i;
    }
    if (only >= 0 && resolved.at(only) && records->at(only).entry.isFolder)
        knownFolders.insert(printed, records->at(only).entry.name);
    return outcome;
}

OperationResult SevenZipNameResolver::search(const QString &printed, const QStringList &candidates,
                                             QList<Record> *records)
{
    if (candidates.isEmpty())
        return OperationResult::success();
    const auto halves = [&]() {
        const qsizetype half = candidates.size() / 2;
        OperationResult outcome = search(printed, candidates.mid(0, half), records);
        if (outcome.succeeded())
            outcome = search(printed, candidates.mid(half), records);
        return outcome;
    };

    qsizetype cost = 0;
    for (const QString &candidate : candidates)
        cost += SevenZipCommands::argumentCost(candidate);
    if (cost > budget && candidates.size() > 1)
        return halves();

    QList<Record> matches;
    const OperationResult outcome = query(candidates, true, &matches);
    if (!outcome.succeeded())
        return outcome;
    // A folder's name also lists its contents; only entries printed alike count.
    matches.erase(std::remove_if(matches.begin(), matches.end(),
                                 [&printed](const Record &record) { return record.printedName != printed; }),
                  matches.end());
    if (matches.isEmpty())
        return outcome;
    if (candidates.size() == 1) {
        assign(printed, candidates.first(), matches, records);
        return outcome;
    }
    return halves();
}

void SevenZipNameResolver::assign(const QString &printed, const QString &name, const QList<Record> &found,
                                  QList<Record> *records)
{
    for (const Record &match : found) {
        for (qsizetype i = 0; i < records->size(); ++i) {
            Record &record = (*records)[i];
            if (!resolved.at(i) && record.printedName == printed && record.details == match.details) {
                record.entry.name = name;
                resolved[i] = true;
                break;
            }
        }
    }
}
