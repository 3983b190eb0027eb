#pragma once

#include <QFile>
#include <QString>

#include <ctime>

// A file read at given positions, its size taken when it is opened: several readers of one file
// need no shared position, and on POSIX each read is one pread. Reads only.
class PositionedFile
{
public:
    PositionedFile() = default;
    ~PositionedFile();
    PositionedFile(const PositionedFile &) = delete;
    PositionedFile &operator=(const PositionedFile &) = delete;

    // False with the system's error number in *errorNumber.
    bool open(const QString &path, int *errorNumber);
    qint64 size() const { return fileSize; }
    time_t modificationTime() const { return modified; }
    // Up to length bytes at offset, fewer only at the end of the file; -1 with errno on failure.
    qint64 read(char *data, qint64 length, qint64 offset);

private:
#ifdef Q_OS_UNIX
    int descriptor = -1;
#else
    QFile file;
#endif
    qint64 fileSize = 0;
    time_t modified = 0;
};
