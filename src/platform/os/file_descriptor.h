#pragma once

#include <cstring>

#include <unistd.h>

#include <QString>

namespace platform {

// Owns an open POSIX file descriptor and closes it when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { reset(-1); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// The system's own words for an errno value, as the user is shown them.
inline QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace platform
