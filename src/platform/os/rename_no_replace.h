#pragma once

#include <QByteArray>

#include "platform/os/hooked_calls.h"

namespace platform::noreplace {

// The outcome of a rename that refuses to replace.
struct Renamed {
    int error = 0;
    // Linked under the new name, but the old one could not be removed: the file bears both.
    bool bothNames = false;
    // Neither renamed nor put back: the file is under this hidden name.
    QByteArray strandedAt;
    // Renamed by a link, which gave the new name an inode number of its own (FUSE servers that number names).
    bool renumbered = false;
};

// Tries, in turn, a rename that refuses to replace, a hard link (which never replaces either), and
// where the file system has neither (FAT through FUSE) a look before a plain rename: only another
// program creating this very name in the moment between the two could still lose its file there.
Renamed renameNoReplace(const Calls& calls, const QByteArray& from, const QByteArray& to);

} // namespace platform::noreplace
