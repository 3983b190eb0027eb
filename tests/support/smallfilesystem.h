#pragma once

#include <QString>

// A tmpfs of the given size ("256k", "1m") mounted for the lifetime of the object, to meet a full
// disk; needs root with mount permission (isMounted() says whether it worked, error() why not).
class SmallFileSystem
{
public:
    SmallFileSystem(const QString &path, const char *size);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool isMounted() const { return mounted; }
    QString error() const { return failure; }

private:
    QString mountPoint;
    bool mounted = false;
    QString failure;
};
