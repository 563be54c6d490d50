#pragma once

#include <cerrno>
#include <utility>

#include <dirent.h>

#include <QByteArray>
#include <QString>

#include "platform/os/fs_result.h"
#include "platform/os/system_call_hook.h"

// The one loop that reads a directory, for the listings and for the checks of the writes alike.
namespace platform {

struct EncodedPath {
    QByteArray bytes;
    QString reason; // set when there is no usable path
};

EncodedPath encodeDirectory(const QString& directory);

enum class EntryKind { Directory, NonDirectory, Gone };

// d_type spares a stat per entry on the file systems that fill it in; links and file systems that
// leave it unknown need the stat to see what the name leads to.
EntryKind kindOf(int dirFd, const dirent& entry);

// Whether `path` names something other than a directory, following a link; a dangling one counts.
bool isNonDirectory(const QByteArray& path);

class OpenDirectory {
public:
    explicit OpenDirectory(const QByteArray& path);
    ~OpenDirectory();
    OpenDirectory(const OpenDirectory&) = delete;
    OpenDirectory& operator=(const OpenDirectory&) = delete;

    bool isOpen() const { return dir_ != nullptr; }
    int error() const { return error_; }
    int fd() const { return ::dirfd(dir_); }

    // nullptr at the end and on a failure; error() tells the two apart.
    const dirent* next()
    {
        errno = 0;
        const dirent* entry = ::readdir(dir_);
        if (entry == nullptr) {
            error_ = errno;
        }
        return entry;
    }

private:
    DIR* dir_ = nullptr;
    int error_ = 0;
};

// The failure of a read of `path` with errno value `error`, told to the log too: the callers pass it on
// as an empty or shorter answer where the user is not told.
FsResult failedReading(const QByteArray& path, int error);

// One pass over the directory, "." and ".." left out. A listing that breaks off half-way is reported
// as a failure rather than passed on as if it were complete.
template <typename Visit> FsResult readEntries(const QByteArray& path, SystemCallHook* hook, Visit&& visit)
{
    if (const int error = hook != nullptr ? hook->before(SystemCall::OpenDirectory, path) : 0)
        return failedReading(path, error);
    OpenDirectory dir(path);
    if (!dir.isOpen())
        return failedReading(path, dir.error());
    while (const dirent* entry = dir.next()) {
        const char* name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
            visit(dir.fd(), *entry);
    }
    if (dir.error() != 0)
        return failedReading(path, dir.error());
    return {};
}

template <typename Visit> FsResult readEntries(const QString& directory, SystemCallHook* hook, Visit&& visit)
{
    const EncodedPath path = encodeDirectory(directory);
    if (!path.reason.isEmpty())
        return FsResult::failure(path.reason);
    return readEntries(path.bytes, hook, std::forward<Visit>(visit));
}

} // namespace platform
