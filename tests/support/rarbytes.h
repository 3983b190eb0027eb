#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// RAR archives written byte by byte, in the RAR 4 (1.5 to 4.x) and RAR 5 layouts, with stored
// (uncompressed) entries only: no free program writes RAR, and stored entries are enough to test
// names, links, encryption marks, checksums and damage. Every header carries its correct checksum
// (CRC-32, cut to 16 bits in RAR 4).
namespace RarBytes {

enum class Kind { File, Folder, Link, HardLink };

struct Entry {
    // RAR 5: UTF-8. RAR 4: ASCII names are stored as they are; others in RAR's Unicode form (an
    // ASCII stand-in, then UTF-16), unless rawName asks for the bytes as they are (a legacy code
    // page, as old Windows versions wrote them).
    QByteArray name;
    Kind kind = Kind::File;
    // A file's content, or the target of a link or hard link.
    QByteArray data;
    // Unix mode bits without the type, which follows the kind.
    quint32 mode = 0644;
    qint64 modified = 1704067200; // 2024-01-01 UTC
    bool rawName = false;
    // Marks the data encrypted and stores it scrambled, with the checksum of the data as given, as
    // an encrypting writer would.
    bool encrypted = false;
};

Entry file(const QByteArray &name, const QByteArray &data);
Entry folder(const QByteArray &name);
Entry symlink(const QByteArray &name, const QByteArray &target);
// RAR 5 only.
Entry hardlink(const QByteArray &name, const QByteArray &target);

// encryptedHeaders: the archive says its headers are encrypted (nothing after that is readable).
QByteArray rar4(const QList<Entry> &entries, bool encryptedHeaders = false);
QByteArray rar5(const QList<Entry> &entries, bool encryptedHeaders = false);

bool write(const QString &path, const QByteArray &bytes);

} // namespace RarBytes
