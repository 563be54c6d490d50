#pragma once

#include <optional>

#include "platform/file_system.h"

namespace testsupport {

// The real file system, with parts a test can replace: which volumes are mounted.
class ForwardingFileSystem final : public platform::FileSystem {
public:
    void setVolumes(QList<platform::Volume> volumes) { volumes_ = std::move(volumes); }

    platform::DirectoryListing listFiles(const QString& directory, const QString& pattern) const override
    {
        return real_.listFiles(directory, pattern);
    }
    platform::DirectoryListing listDirectories(const QString& directory) const override
    {
        return real_.listDirectories(directory);
    }
    QString findFileIgnoringCase(const QString& directory, const QString& name) const override
    {
        return real_.findFileIgnoringCase(directory, name);
    }
    QList<platform::Volume> volumes() const override { return volumes_ ? *volumes_ : real_.volumes(); }

private:
    platform::PosixFileSystem real_;
    std::optional<QList<platform::Volume>> volumes_;
};

} // namespace testsupport
