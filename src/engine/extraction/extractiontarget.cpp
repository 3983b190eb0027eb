#include "extractiontarget.h"

#include <QVarLengthArray>

namespace {

bool isSeparator(QChar character)
{
    return character == QLatin1Char('/') || character == QLatin1Char('\\');
}

bool startsWithDriveLetter(const QString &name)
{
    if (name.size() < 2 || name.at(1) != QLatin1Char(':'))
        return false;
    const char16_t letter = name.at(0).unicode();
    return (letter >= u'a' && letter <= u'z') || (letter >= u'A' && letter <= u'Z');
}

} // namespace

// One pass over the name; ".." only cuts the result back, so the work stays linear however many
// components the name has.
OperationResult ExtractionTarget::checkEntryName(const QString &entryName, QString *relativePath)
{
    const auto refuse = [&entryName] {
        return OperationResult::entryFailure(ResultCode::UnsafeEntry, entryName);
    };
    if (entryName.isEmpty() || entryName.contains(QChar(0)) || isSeparator(entryName.at(0)) ||
        startsWithDriveLetter(entryName))
        return refuse();

    QString normalised;
    normalised.reserve(entryName.size());
    // Where each component kept so far starts in normalised.
    QVarLengthArray<qsizetype, 32> starts;
    qsizetype start = 0;
    while (start <= entryName.size()) {
        qsizetype end = start;
        while (end < entryName.size() && !isSeparator(entryName.at(end)))
            ++end;
        const QStringView component = QStringView(entryName).mid(start, end - start);
        start = end + 1;
        if (component.isEmpty() || component == QLatin1String("."))
            continue;
        if (component == QLatin1String("..")) {
            if (starts.isEmpty())
                return refuse();
            normalised.truncate(std::max<qsizetype>(0, starts.last() - 1));
            starts.removeLast();
            continue;
        }
        if (!normalised.isEmpty())
            normalised += QLatin1Char('/');
        starts.append(normalised.size());
        normalised += component;
    }
    if (normalised.isEmpty())
        return refuse();
    *relativePath = normalised;
    return OperationResult::success();
}
