#pragma once

#include <QString>
#include <QTemporaryDir>

// External programs unpack into a private folder inside the destination; only a complete result
// whose links all stay inside it is moved into place. A failure, a cancel or a refused archive then
// leaves no half-written file behind: the private folder is removed with this object.
// Used on the thread of one engine operation.
class ExtractionStaging
{
public:
    // Creates the destination when missing and the private folder within it.
    explicit ExtractionStaging(const QString &destinationPath);

    bool isValid() const;
    QString path() const;

    // The name, relative to the archive's root, of the first link that is absolute or climbs out
    // of the extracted tree; empty when there is none.
    QString firstEscapingLink() const;

    // Moves the unpacked tree into the destination: new items are renamed into place, folders that
    // exist on both sides are merged, files replace files. False with the path that could not be
    // placed (for example a folder in the way of a file).
    bool commit(QString *failedPath);

private:
    QString destination;
    QTemporaryDir staging;
};
