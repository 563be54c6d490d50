#pragma once

#include <chrono>

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include "platform/os/file_system.h"
#include "platform/os/small_name_index.h"
#include "platform/os/system_call_hook.h"

namespace platform {

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
    StoredSpellings findSpellings(const QString& directory, const QList<SpellingQuery>& queries) const override;
    QList<Volume> volumes() const override;
    QString findConflict(const QString& directory, const QString& name, const QString& except) const override;
    bool takesOnlyWindowsNames(const QString& directory) const override;
    FsResult copyFile(const QString& source, const QString& target) override;
    FsResult moveFile(const QString& source, const QString& target, const FileIdentity& expected) override;
    FsResult removeFile(const QString& path, const FileIdentity& expected) override;

private:
    enum class Wanted { Files, Directories, Both };
    DirectoryContents read(const QString& directory, const QString& pattern, Wanted wanted) const;
    // The queries no likely spelling answers, by folded name; the others answered in `found`.
    QHash<QByteArray, QStringList> unanswered(const QByteArray& directory, const QList<SpellingQuery>& queries,
                                              StoredSpellings& found) const;

    SystemCallHook* hook_;
    // Learnt from every read of a directory; a cache, so the reads stay const.
    mutable SmallNameIndexes smallNames_;
};

} // namespace platform
