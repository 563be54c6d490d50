#pragma once

#include <sys/stat.h>

#include <QByteArray>

#include "platform/os/file_descriptor.h"
#include "platform/os/fs_result.h"
#include "platform/os/hooked_calls.h"

namespace platform::noreplace {

// The open source and what it was when opened.
struct Source {
    FileDescriptor fd;
    struct stat st {};
};

FsResult openSource(const Calls& calls, const QByteArray& path, Source& source);

// Copies the open source `in` to `to`: an anonymous file where the file system has them, so that
// nothing is left behind whatever happens, else a hidden one beside the target. The caller flushes the
// directory.
FsResult copyOpen(const Calls& calls, int in, const struct stat& before, const QByteArray& to);

// 0 or the errno value; file systems that cannot flush a directory count as done.
int syncDirectory(const Calls& calls, const QByteArray& directory);
// The same once the write is done and reported: a failure then is only logged, since the user could do
// nothing about it and the file is there.
void syncDirectoryAfterwards(const Calls& calls, const QByteArray& directory);

} // namespace platform::noreplace
