#pragma once

#include <functional>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/os/posix_file_system.h"

namespace testsupport {

// The real file system, with parts a test can replace: which volumes are mounted, and writes that
// fail on demand. A witness hears of every request before it is made.
class ForwardingFileSystem final : public platform::PosixFileSystem {
    using Result = platform::FsResult;
    using Identity = platform::FileIdentity;
    using Text = const QString&;

public:
    std::function<void(const char* request)> witness;
    mutable int volumeProbes = 0; // each one waits on every mount

    void setVolumes(QList<platform::Volume> volumes) { volumes_ = std::move(volumes); }
    // The write number `index` (0 = the next one) fails with `result`, leaving the disk as real writes
    // leave it when they report so: a copy left at the target, the file stranded under the hidden name
    // (beside it), or another program's file in place of the one named. `losesSource` makes it lose the
    // file it was to write, as some FUSE servers' renames do.
    void failWrite(int index, const Result& result, bool losesSource = false)
    {
        failures_.insert(writes_ + index, {result, losesSource});
    }

    void setWindowsNames(bool only) { windowsNames_ = only; }
    bool takesOnlyWindowsNames(Text directory) const override
    {
        return windowsNames_ ? *windowsNames_ : PosixFileSystem::takesOnlyWindowsNames(directory);
    }
    QList<platform::Volume> volumes() const override
    {
        ++volumeProbes;
        return volumes_ ? *volumes_ : PosixFileSystem::volumes();
    }
    platform::DirectoryListing listFiles(Text directory, Text pattern) const override
    {
        see("listFiles");
        return PosixFileSystem::listFiles(directory, pattern);
    }
    platform::DirectoryListing listDirectories(Text directory) const override
    {
        see("listDirectories");
        return PosixFileSystem::listDirectories(directory);
    }
    QString findFileIgnoringCase(Text directory, Text name) const override
    {
        see("findFileIgnoringCase");
        return PosixFileSystem::findFileIgnoringCase(directory, name);
    }
    platform::StoredSpellings findSpellings(Text directory,
                                            const QList<platform::SpellingQuery>& queries) const override
    {
        see("findSpellings");
        return PosixFileSystem::findSpellings(directory, queries);
    }
    QString findConflict(Text directory, Text name, Text except) const override
    {
        see("findConflict");
        return PosixFileSystem::findConflict(directory, name, except);
    }
    Result copyFile(Text from, Text to) override
    {
        return failing() ? leftAsSaid(from, to) : PosixFileSystem::copyFile(from, to);
    }
    Result moveFile(Text from, Text to, const Identity& expected) override
    {
        return failing() ? leftAsSaid(from, to) : PosixFileSystem::moveFile(from, to, expected);
    }
    Result removeFile(Text path, const Identity& expected) override
    {
        return failing() ? leftAsSaid(path, {}) : PosixFileSystem::removeFile(path, expected);
    }

private:
    struct Failure {
        Result result;
        bool losesSource = false;
    };

    void see(const char* request) const
    {
        if (witness)
            witness(request);
    }
    // Counts the write; true when it is one to fail, with the outcome left in failure_.
    bool failing()
    {
        see("write");
        failure_ = failures_.value(writes_++);
        return !failure_.result.ok;
    }

    Result leftAsSaid(Text from, Text to)
    {
        Result result = failure_.result;
        if (result.copyLeft)
            result.written = PosixFileSystem::copyFile(from, to).written;
        if (!result.strandedAt.isEmpty()) {
            result.strandedAt = QFileInfo(from).dir().filePath(result.strandedAt);
            QFile::rename(from, result.strandedAt);
        }
        if (result.replaced || failure_.losesSource)
            QFile::remove(from);
        if (result.replaced) {
            QFile theirs(from);
            (void)(theirs.open(QIODevice::NewOnly) && theirs.write("theirs"));
        }
        return result;
    }

    std::optional<QList<platform::Volume>> volumes_;
    std::optional<bool> windowsNames_;
    QHash<int, Failure> failures_;
    int writes_ = 0;
    Failure failure_;
};

} // namespace testsupport
