#pragma once

#include <memory>
#include <utility>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "platform/os/small_name_index.h"

namespace platform {

class FileDescriptor;

// Which file a name leads to, so that a later step can make sure it still acts on the file it made.
// The file is held open meanwhile, so that its inode number cannot be given to another file.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    std::shared_ptr<const FileDescriptor> held;
    bool known() const { return inode != 0; }
};

// Every operation reports its outcome; nothing throws past this layer. The callers decide what the
// user is told, so the reason is plain text they can show as it is.
struct FsResult {
    bool ok = true;
    QString reason;       // empty when ok
    FileIdentity written; // the file now under the target name of a copy or move
    // A move that failed after its copy was complete: the source is still in place and a whole copy of
    // it bears the target name (another program changed the source, or the copy could not be removed).
    bool copyLeft = false;
    // Refused because the name no longer leads to the expected file: another program replaced or
    // removed it.
    bool replaced = false;
    // A rename that could be neither done nor undone: the file is now under this hidden name.
    QString strandedAt;

    static FsResult failure(QString why)
    {
        FsResult result;
        result.ok = false;
        result.reason = std::move(why);
        return result;
    }
};

// The system calls the writes make, and every read of a directory, for a test to fail, race or count.
enum class SystemCall { Open, Write, Fsync, Fchmod, Linkat, Renameat2, Link, Rename, Unlink, Symlink, OpenDirectory };

class SystemCallHook {
public:
    virtual ~SystemCallHook() = default;
    // Runs before each such call with the path it names (empty for one on a descriptor); an errno value
    // makes the call fail with it, untried.
    virtual int before(SystemCall call, const QByteArray& path) = 0;
};

struct DirectoryListing {
    bool ok = true;
    QString reason;    // empty when ok
    QStringList names; // bare names, in list order
};

// Both lists of one directory, from one read of it.
struct DirectoryContents {
    bool ok = true;
    QString reason;
    QStringList files;       // as listFiles gives them
    QStringList directories; // as listDirectories gives them
};

struct Volume {
    QString rootPath; // e.g. "/" or "/media/usb"
    QString label;    // may be empty
};

// The one case-blind comparison of names: Unicode simple case folding, the same in every locale.
bool sameNameIgnoringCase(const QString& a, const QString& b);
// The first letter of a small name written for a user's stem: the simple lower case, unless that is
// not the same letter case-blind (U+0130 lowers to "i", which does not fold like it): then as it is.
char32_t smallNameLetter(char32_t c);

// List order: names compared with case folded by Unicode rules, and names equal but for case ordered
// by code point, so that a directory always lists the same way whatever order the disk returns.
// The allocation of generated names scans the destination list and depends on this order.
bool listOrderLess(const QString& a, const QString& b);
void sortInListOrder(QStringList& names);
// The names of `listed`, which is in list order, that begin with `prefix` with letter case ignored:
// they stand together, from index first up to (not including) last.
std::pair<qsizetype, qsizetype> listRangeBeginningWith(const QStringList& listed, const QString& prefix);

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

    // The small picture of each of `entries`, large pictures listed from `directory` in `listed` (the
    // whole list, in list order): the file answering to the entry's stem + "S.bmp" with letter case
    // ignored, under its stored spelling, never one that belongs to another listed entry (see
    // naming::pairSmallPictures); an entry without one is left out. A file created, renamed or removed
    // by another program since the last call is seen.
    virtual QHash<QString, QString> findSmallPartners(const QString& directory, const QStringList& entries,
                                                      const QStringList& listed) const = 0;

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

// The real disk, read with opendir/readdir/fstatat so that a failure carries errno's reason.
// A name that does not survive decoding and encoding again (invalid UTF-8, say) is skipped everywhere:
// it could only be shown, and later touched, under a name that is not its own.
class PosixFileSystem : public FileSystem {
public:
    // `hook` (a test's) sees every system call the writes make.
    // A directory's small names are trusted only once it has been still for `settle` (see SmallNameIndexes).
    explicit PosixFileSystem(SystemCallHook* hook = nullptr, std::chrono::milliseconds settle = std::chrono::seconds(1))
        : hook_(hook), smallNames_(settle)
    {
    }

    DirectoryListing listFiles(const QString& directory, const QString& pattern) const override;
    DirectoryListing listDirectories(const QString& directory) const override;
    DirectoryContents readDirectory(const QString& directory, const QString& pattern) const override;
    QString findFileIgnoringCase(const QString& directory, const QString& name) const override;
    QHash<QString, QString> findSmallPartners(const QString& directory, const QStringList& entries,
                                              const QStringList& listed) const override;
    QList<Volume> volumes() const override;
    QString findConflict(const QString& directory, const QString& name, const QString& except) const override;
    bool takesOnlyWindowsNames(const QString& directory) const override;
    FsResult copyFile(const QString& source, const QString& target) override;
    FsResult moveFile(const QString& source, const QString& target, const FileIdentity& expected) override;
    FsResult removeFile(const QString& path, const FileIdentity& expected) override;

private:
    enum class Wanted { Files, Directories, Both };
    DirectoryContents read(const QString& directory, const QString& pattern, Wanted wanted) const;

    SystemCallHook* hook_;
    // Learnt from every read of a directory; a cache, so the reads stay const.
    mutable SmallNameIndexes smallNames_;
};

} // namespace platform
