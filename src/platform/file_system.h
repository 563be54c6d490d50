#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

// Every operation reports its outcome; nothing throws past this layer. The callers decide what the
// user is told, so the reason is plain text they can show as it is.
struct FsResult {
    bool ok = true;
    QString reason; // empty when ok
};

struct DirectoryListing {
    bool ok = true;
    QString reason;    // empty when ok
    QStringList names; // bare names, in list order
};

struct Volume {
    QString rootPath; // e.g. "/" or "/media/usb"
    QString label;    // may be empty
};

// List order: names compared with case folded by Unicode rules, and names equal but for case ordered
// by code point, so that a directory always lists the same way whatever order the disk returns.
// The allocation of generated names scans the destination list and depends on this order.
bool listOrderLess(const QString& a, const QString& b);
void sortInListOrder(QStringList& names);

// The program's only view of the disk. An interface, so that tests can inject faults the real disk
// will not produce on demand (CI runs as root).
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Non-directory entries of `directory` (symlinks followed; a dangling one counts as a file) whose
    // names match the wildcard `pattern` (only * and ? are special) with letter case ignored, hidden
    // names left out, in list order.
    virtual DirectoryListing listFiles(const QString& directory, const QString& pattern) const = 0;

    // Subdirectories of `directory` (symlinks followed), hidden ones, "." and ".." left out, in list
    // order.
    virtual DirectoryListing listDirectories(const QString& directory) const = 0;

    // The non-directory entries of `directory` named like each of `names` with letter case ignored
    // (Unicode case folding), under the spelling the directory stores; a name nobody answers is left
    // out. Where several answer, the exact spelling wins, else the first in list order. One read of the
    // directory serves all the names.
    virtual QHash<QString, QString> findFilesIgnoringCase(const QString& directory, const QStringList& names) const = 0;
    // The same for one name; empty when none answers.
    QString findFileIgnoringCase(const QString& directory, const QString& name) const
    {
        return findFilesIgnoringCase(directory, {name}).value(name);
    }

    // Mounted, ready file systems, in list order of their roots, one entry per root.
    virtual QList<Volume> volumes() const = 0;

    // The first entry of `directory` (in list order, of any kind) that answers to `name` with letter
    // case ignored and is not the file at `except` itself; empty when nothing is in the way.
    virtual QString findConflict(const QString& directory, const QString& name, const QString& except) const = 0;

    // The writes never replace an existing file: a target that exists makes them fail.
    virtual FsResult copyFile(const QString& source, const QString& target) = 0;
    // A rename, also into another directory; across file systems a copy and a removal.
    virtual FsResult moveFile(const QString& source, const QString& target) = 0;
    virtual FsResult removeFile(const QString& path) = 0;
};

// The real disk, read with opendir/readdir/fstatat so that a failure carries errno's reason.
// A name that does not survive decoding and encoding again (invalid UTF-8, say) is skipped everywhere:
// it could only be shown, and later touched, under a name that is not its own.
class PosixFileSystem final : public FileSystem {
public:
    DirectoryListing listFiles(const QString& directory, const QString& pattern) const override;
    DirectoryListing listDirectories(const QString& directory) const override;
    QHash<QString, QString> findFilesIgnoringCase(const QString& directory, const QStringList& names) const override;
    QList<Volume> volumes() const override;
    QString findConflict(const QString& directory, const QString& name, const QString& except) const override;
    FsResult copyFile(const QString& source, const QString& target) override;
    FsResult moveFile(const QString& source, const QString& target) override;
    FsResult removeFile(const QString& path) override;
};

} // namespace platform
