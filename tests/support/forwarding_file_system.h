#pragma once

#include <optional>

#include "platform/os/file_system.h"

namespace testsupport {

// The real file system, with parts a test can replace: which volumes are mounted, and writes that
// fail on demand.
class ForwardingFileSystem final : public platform::PosixFileSystem {
    using Result = platform::FsResult;
    using Identity = platform::FileIdentity;
    using Text = const QString&;

public:
    void setVolumes(QList<platform::Volume> volumes) { volumes_ = std::move(volumes); }
    // The write number `index` (0 = the next one) touches nothing and reports `result`, as the real writes
    // report failures, races and half-done moves.
    void failWrite(int index, const Result& result) { failures_.insert(writes_ + index, result); }

    QList<platform::Volume> volumes() const override { return volumes_ ? *volumes_ : PosixFileSystem::volumes(); }
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
    // Counts the write; true when it is one to fail, with the outcome left in failure_.
    bool failing()
    {
        failure_ = failures_.value(writes_++);
        return !failure_.ok;
    }

    std::optional<QList<platform::Volume>> volumes_;
    QHash<int, Result> failures_;
    int writes_ = 0;
    Result failure_;
};

} // namespace testsupport
