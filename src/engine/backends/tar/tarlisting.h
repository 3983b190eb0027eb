#pragma once

#include "archiveentry.h"
#include "operationrequest.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Reads what tar prints about members: "tar -tv --quoting-style=c --full-time --numeric-owner" lines
// (run with TZ=UTC0) and the names "tar -xv --quoting-style=c" prints. Names come back to their
// stored bytes first and are then decoded as text. Not thread-safe; one object per listing.
class TarListing
{
public:
    // One member as a listing line describes it; names and targets as stored.
    struct Member {
        // '-' file, 'd' folder, 'l' symbolic link, 'h' hard link, 'c' 'b' devices, 'p' FIFO, ...
        char type = '-';
        QByteArray name;
        QByteArray linkTarget;
        qint64 size = 0;
        QDateTime modified;
    };

    explicit TarListing(LegacyNameLanguage language);

    // Decodes a C-quoted string starting at text[*position] (the opening quote) into raw bytes and
    // moves *position past the closing quote. False when text holds no complete quoted string there.
    static bool unquote(QByteArrayView text, qsizetype *position, QByteArray *raw);
    // Parses one line of the long listing; false for lines that describe no member.
    static bool parseLine(QByteArrayView line, Member *member);
    // The name a verbose extraction prints on one line, as text; empty for other lines.
    QString extractedName(QByteArrayView line) const;

    // Takes a chunk of the listing; lines may be split across chunks.
    void feed(QByteArrayView chunk);
    // Takes a last line without its line end.
    void finish();

    // Every member once (the last of several with one name, as extraction keeps it), then the folders
    // that names imply without an entry of their own.
    ArchiveEntryList entries() const;
    // The member listed last, as text: the one tar was reading when it stopped.
    QString lastName() const { return lastMemberName; }

private:
    void addLine(QByteArrayView line);
    QString text(const QByteArray &raw) const;

    LegacyNameLanguage language;
    QByteArray partialLine;
    // Every member line, in the listing's order; duplicates are resolved in entries().
    ArchiveEntryList members;
    QString lastMemberName;
};
