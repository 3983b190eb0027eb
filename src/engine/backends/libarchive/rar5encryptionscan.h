#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

// What libarchive 3.6 does not say about RAR 5 encryption, read from the headers themselves: whether
// the headers are encrypted (libarchive then fails as if the archive were damaged) and which files
// carry an encryption record (libarchive reads their encrypted bytes as if they were the data).
// Pure reading of the archive file; safe on any thread.
class Rar5EncryptionScan
{
public:
    // Reads the headers of a RAR 5 archive at path; finds nothing in any other file.
    static Rar5EncryptionScan read(const QString &path);

    bool headersEncrypted() const { return encryptedHeaders; }
    // Names as stored (UTF-8) of the files whose data is encrypted.
    bool isEncrypted(const QByteArray &storedName) const { return encryptedNames.contains(storedName); }

private:
    bool encryptedHeaders = false;
    QSet<QByteArray> encryptedNames;
};
