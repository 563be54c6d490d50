#pragma once

#include <optional>

#include "platform/os/file_system.h"

namespace testsupport {

// The real file system, with parts a test can replace: which volumes are mounted, and writes that
// fail on demand.
class ForwardingFileSystem final : public platform::FileSystem {
    using Listing = platform::DirectoryListing;
    using Contents = platform::DirectoryContents;
    using Result = platform::FsResult;
    using Identity = platform::FileIdentity;
    using Text = const QString&;

public:
    void setVolumes(QList<platform::Volume> volumes) { volumes_ = std::move(volumes); }
    // The write number `index` (0 = the next one) touches nothing and reports `result`, as the real writes
    // report failures, races and half-done moves.
    void failWrite(int index, const Result& result) { failures_.insert(writes_ + index, result); }

    Listing listFiles(Text dir, Text pattern) const override { return real_.listFiles(dir, pattern); }
    Listing listDirectories(Text dir) const override { return real_.listDirectories(dir); }
    Contents readDirectory(Text dir, Text pattern) const override { return real_.readDirectory(dir, pattern); }
    QString findFileIgnoringCase(Text dir, Text name) const override { return real_.findFileIgnoringCase(dir, name); }
    QHash<QString, QString> findSmallPartners(Text dir, const QStringList& entries,
                                              const QStringList& listed) const override
    {
        return real_.findSmallPartners(dir, entries, listed);
    }
    QString findConflict(Text dir, Text name, Text except) const override
    {
        return real_.findConflict(dir, name, except);
    }
    QList<platform::Volume> volumes() const override { return volumes_ ? *volumes_ : real_.volumes(); }

    Result copyFile(Text from, Text to) override { return failing() ? failure_ : real_.copyFile(from, to); }
    Result moveFile(Text from, Text to, const Identity& expected) override
    {
        return failing() ? failure_ : real_.moveFile(from, to, expected);
    }
    Result removeFile(Text path, const Identity& expected) override
    {
        return failing() ? failure_ : real_.removeFile(path, expected);
    }

private:
    // Counts the write; true when it is one to fail, with the outcome left in failure_.
    bool failing()
    {
        failure_ = failures_.value(writes_++);
        return !failure_.ok;
    }

    platform::PosixFileSystem real_;
    std::optional<QList<platform::Volume>> volumes_;
    QHash<int, Result> failures_;
    int writes_ = 0;
    Result failure_;
};

} // namespace testsupport
