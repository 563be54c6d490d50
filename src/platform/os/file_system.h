#pragma once

#include <QList>
#include <QString>

#include "platform/os/directory_listing.h"
#include "platform/os/fs_result.h"
#include "platform/os/stored_spellings.h"
#include "platform/os/volume.h"

namespace platform {

// The program's only view of the disk. An interface, so that tests can inject faults the real disk
// will not produce on demand (CI runs as root).
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Non-directory entries of `directory` (symlinks followed; a dangling one counts as a file) whose
    // names end, letter case ignored, as `pattern` does after its leading "*" ("*L.bmp"; "*" for all),
    // hidden names left out, in list order.
    virtual DirectoryListing listFiles(const QString& directory, const QString& pattern) const = 0;

    // Subdirectories of `directory` (symlinks followed), hidden ones, "." and ".." left out, in list
    // order.
    virtual DirectoryListing listDirectories(const QString& directory) const = 0;

    // The two above from one read of the directory.
    virtual DirectoryContents readDirectory(const QString& directory, const QString& pattern) const = 0;

    // The non-directory entry of `directory` named like `name` with letter case ignored (Unicode case
    // folding), under the spelling the directory stores; empty when none answers. Where several
    // answer, the exact spelling wins, else the first in list order.
    virtual QString findFileIgnoringCase(const QString& directory, const QString& name) const = 0;

    // For each query, the spellings the non-directory entries of `directory` answering to its name (letter
    // case ignored) are stored under, or the first of its likely spellings found stored as it is (see
    // SpellingQuery). Read afresh, or from what an unchanged directory held when last read: a file
    // created, renamed or removed by another program since is seen.
    virtual StoredSpellings findSpellings(const QString& directory, const QList<SpellingQuery>& queries) const = 0;

    // Mounted, ready file systems, in list order of their roots, one entry per root.
    virtual QList<Volume> volumes() const = 0;

    // The first entry of `directory` (in list order, of any kind) that answers to `name` with letter
    // case ignored and is not the file at `except` itself; empty when nothing is in the way.
    virtual QString findConflict(const QString& directory, const QString& name, const QString& except) const = 0;

    // Whether `directory` lies on a volume Windows reads, whose names must be ones Windows takes.
    virtual bool takesOnlyWindowsNames(const QString& directory) const = 0;

    // The writes never replace an existing file: a target that exists makes them fail. A file that is
    // not whole never bears the target name, not even after a crash. A known `expected` identity makes
    // them act only while the name still leads to that file.
    virtual FsResult copyFile(const QString& source, const QString& target) = 0;
    // A rename, also into another directory; across file systems a copy, then the removal of the source
    // if it is still the very file that was read, unchanged.
    virtual FsResult moveFile(const QString& source, const QString& target, const FileIdentity& expected) = 0;
    virtual FsResult removeFile(const QString& path, const FileIdentity& expected) = 0;
};

} // namespace platform
