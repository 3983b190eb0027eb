#pragma once

#include <cerrno>
#include <unistd.h>

#include <utility>

// Owns one POSIX file descriptor and closes it when destroyed. Move-only; not thread-safe.
class FileDescriptor
{
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : descriptor(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor &&other) noexcept : descriptor(std::exchange(other.descriptor, -1)) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.descriptor, -1));
        return *this;
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return descriptor; }
    bool isValid() const { return descriptor >= 0; }
    void reset(int fd = -1)
    {
        if (descriptor >= 0)
            ::close(descriptor);
        descriptor = fd;
    }
    // Closes and returns close()'s errno (0 when it succeeded): a close can still report a failed write.
    int close()
    {
        const int fd = std::exchange(descriptor, -1);
        return fd < 0 || ::close(fd) == 0 ? 0 : errno;
    }

private:
    int descriptor = -1;
};
