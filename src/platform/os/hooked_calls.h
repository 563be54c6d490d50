#pragma once

#include <cerrno>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>

#include "platform/os/system_call_hook.h"

namespace platform::noreplace {

// The system calls the writes make. Each asks the hook first, so that a test can fail any one of them
// or act just before it.
class Calls {
public:
    explicit Calls(SystemCallHook* hook) : hook_(hook) {}

    SystemCallHook* hook() const { return hook_; }

    int open(const QByteArray& path, int flags, mode_t mode = 0) const
    {
        return refused(SystemCall::Open, path) ? -1 : ::open(path.constData(), flags, mode);
    }
    ssize_t write(int fd, const char* data, size_t size) const
    {
        return refused(SystemCall::Write, {}) ? -1 : ::write(fd, data, size);
    }
    // `path` names a directory being flushed; empty for a file.
    int fsync(int fd, const QByteArray& path = {}) const { return refused(SystemCall::Fsync, path) ? -1 : ::fsync(fd); }
    int fchmod(int fd, mode_t mode) const { return refused(SystemCall::Fchmod, {}) ? -1 : ::fchmod(fd, mode); }
    int linkat(int fromDir, const QByteArray& from, const QByteArray& to, int flags) const
    {
        return refused(SystemCall::Linkat, to) ? -1
                                               : ::linkat(fromDir, from.constData(), AT_FDCWD, to.constData(), flags);
    }
    int renameNoReplace(const QByteArray& from, const QByteArray& to) const
    {
        return refused(SystemCall::Renameat2, to)
                   ? -1
                   : ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    }
    int link(const QByteArray& from, const QByteArray& to) const
    {
        return refused(SystemCall::Link, to) ? -1 : ::link(from.constData(), to.constData());
    }
    int rename(const QByteArray& from, const QByteArray& to) const
    {
        return refused(SystemCall::Rename, to) ? -1 : ::rename(from.constData(), to.constData());
    }
    int unlink(const QByteArray& path) const
    {
        return refused(SystemCall::Unlink, path) ? -1 : ::unlink(path.constData());
    }
    // Like link, it never replaces: a taken name fails with EEXIST.
    int symlink(const QByteArray& target, const QByteArray& path) const
    {
        return refused(SystemCall::Symlink, path) ? -1 : ::symlink(target.constData(), path.constData());
    }

private:
    bool refused(SystemCall call, const QByteArray& path) const
    {
        const int error = hook_ != nullptr ? hook_->before(call, path) : 0;
        errno = error;
        return error != 0;
    }

    SystemCallHook* hook_;
};

} // namespace platform::noreplace
