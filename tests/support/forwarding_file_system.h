#pragma once

#include <functional>
#include <optional>

#include "platform/os/file_system.h"

namespace testsupport {

// The real file system, with parts a test can replace: which volumes are mounted, and writes that
// fail on demand. A witness hears of every request before it is made.
class ForwardingFileSystem final : public platform::PosixFileSystem {
    using Result = platform::FsResult;
    using Identity = platform::FileIdentity;
    using Text = const QString&;
    using Names = const QStringList&;

public:
    std::function<void(const char* request)> witness;

    void setVolumes(QList<platform::Volume> volumes) { volumes_ = std::move(volumes); }
    // The write number `index` (0 = the next one) touches nothing and reports `result`, as the real writes
    // report failures, races and half-done moves.
    void failWrite(int index, const Result& result) { failures_.insert(writes_ + index, result); }

    QList<platform::Volume> volumes() const override { return volumes_ ? *volumes_ : PosixFileSystem::volumes(); }
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
    QHash<QString, QString> findSmallPartners(Text directory, Names entries, Names listed) const override
    {
        see("findSmallPartners");
        return PosixFileSystem::findSmallPartners(directory, entries, listed);
    }
    QString findConflict(Text directory, Text name, Text except) const override
    {
        see("findConflict");
        return PosixFileSystem::findConflict(directory, name, except);
    }
    Result copyFile(Text from, Text to) override { return failing() ? failure_ : PosixFileSystem::copyFile(from, to); }
    Result moveFile(Text from, Text to, const Identity& expected) override
    {
        return failing() ? failure_ : PosixFileSystem::moveFile(from, to, expected);
    }
    Result removeFile(Text path, const Identity& expected) override
    {
        return failing() ? failure_ : PosixFileSystem::removeFile(path, expected);
    }

private:
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
        return !failure_.ok;
    }

    std::optional<QList<platform::Volume>> volumes_;
    QHash<int, Result> failures_;
    int writes_ = 0;
    Result failure_;
};

} // namespace testsupport
