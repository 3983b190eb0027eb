#pragma once

#include <QByteArray>
#include <QList>

class StagingWriter;

// Whether a staged link stays inside the destination once everything is placed, looked up in both
// trees that make the final one: the staged tree (with the links a reader noted but finish() has not
// made yet) and what the destination already holds (its own links included; the private staging
// folder at its top counts as absent). Never follows a link on the file system; see LinkResolver.
// Not thread-safe.
class StagedLinkCheck
{
public:
    // Descriptors are borrowed and must stay open; pending may be null.
    StagedLinkCheck(int stagedRoot, int destinationRoot, const QByteArray &privateName,
                    const StagingWriter *pending);

    bool staysInside(const QList<QByteArray> &linkFolder, const QByteArray &target) const;

private:
    int stagedRoot;
    int destinationRoot;
    QByteArray privateName;
    const StagingWriter *pending;
};
