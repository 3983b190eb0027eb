#include "extractionselection.h"

#include "extractiontarget.h"

#include <QMutexLocker>

#include <algorithm>

void ExtractionSelection::setNames(const QStringList &names)
{
    requested = names;
    normalisedNames.clear();
    positionsByName.clear();
    sortedNames.clear();
    deepestName = 0;
    common.clear();
    matched = QList<bool>(names.size(), false);

    QStringList commonParts;
    bool first = true;
    for (int i = 0; i < names.size(); ++i) {
        QString normalised;
        // A name that cannot be an entry's never matches and is reported as unmatched.
        if (!ExtractionTarget::checkEntryName(names.at(i), &normalised).succeeded())
            continue;
        normalisedNames.append(normalised);
        positionsByName[QStringView(normalisedNames.last())].append(i);
        sortedNames.append(normalised);
        QStringList parts = normalised.split(QLatin1Char('/'));
        deepestName = std::max(deepestName, int(parts.size()));
        parts.removeLast();
        if (first) {
            commonParts = parts;
            first = false;
            continue;
        }
        qsizetype shared = 0;
        while (shared < commonParts.size() && shared < parts.size() &&
               commonParts.at(shared) == parts.at(shared))
            ++shared;
        commonParts.resize(shared);
    }
    common = commonParts.join(QLatin1Char('/'));
    sortedNames.sort();
}

bool ExtractionSelection::place(const QString &entryPath, QString *placed) const
{
    if (requested.isEmpty()) {
        *placed = entryPath;
        return true;
    }
    // Everything selected lies in the common folder: the many entries outside it are passed over
    // at once, without a lookup.
    if (!common.isEmpty() &&
        !(entryPath.size() > common.size() && entryPath.at(common.size()) == QLatin1Char('/') &&
          entryPath.startsWith(common)))
        return false;
    bool selected = false;
    qsizetype start = 0;
    for (int components = 1; components <= deepestName; ++components) {
        const qsizetype slash = entryPath.indexOf(QLatin1Char('/'), start);
        const qsizetype end = slash < 0 ? entryPath.size() : slash;
        const auto found = positionsByName.constFind(QStringView(entryPath).left(end));
        if (found != positionsByName.constEnd()) {
            selected = true;
            QMutexLocker locker(&mutex);
            for (const int position : *found)
                matched[position] = true;
        }
        if (slash < 0)
            break;
        start = slash + 1;
    }
    if (!selected)
        return false;
    *placed = common.isEmpty() ? entryPath : entryPath.mid(common.size() + 1);
    return true;
}

bool ExtractionSelection::holdsSelectedBelow(const QString &folderPath) const
{
    const QString below = folderPath + QLatin1Char('/');
    const auto candidate = std::lower_bound(sortedNames.cbegin(), sortedNames.cend(), below);
    return candidate != sortedNames.cend() && candidate->startsWith(below);
}

QStringList ExtractionSelection::unmatched() const
{
    QMutexLocker locker(&mutex);
    QStringList names;
    for (int i = 0; i < requested.size(); ++i) {
        if (!matched.at(i))
            names.append(requested.at(i));
    }
    return names;
}

void ExtractionSelection::forgetMatches()
{
    QMutexLocker locker(&mutex);
    matched.fill(false);
}
