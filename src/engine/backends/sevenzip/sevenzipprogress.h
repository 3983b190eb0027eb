#pragma once

#include <QByteArray>
#include <QString>

// Reads the progress 7z prints with -bsp1: updates such as "42% 3 + photos/a.jpg", each erased by
// backspaces before the next, without newlines. Output may arrive split at any byte.
class SevenZipProgress
{
public:
    // Returns true when the output held at least one complete progress update.
    bool feed(const QByteArray &output);
    int percent() const { return lastPercent; }
    QString currentName() const { return lastName; }

private:
    bool parseSegment(const QByteArray &segment);

    QByteArray pending;
    int lastPercent = -1;
    QString lastName;
};
