#pragma once

#include <optional>

#include <QStringList>

#include "platform/os/file_system.h"
#include "support/system_call_faults.h"

namespace testsupport {

// The real file system, with parts a test can replace: which volumes are mounted, and writes that
// fail on demand. Every write is logged as "copy SRC -> DST", "move SRC -> DST" or "remove PATH".
class ForwardingFileSystem final : public platform::FileSystem {
public:
    void setVolumes(QList<platform::Volume> volumes) { volumes_ = std::move(volumes); }
    // The write number `index` (0 = the next one) fails with `reason` and touches nothing.
    void failWrite(int index, const QString& reason) { failures_.append({writes_.size() + index, reason}); }
    const QStringList& writes() const { return writes_; }
    // The system calls beneath the real writes.
    SystemCallFaults& systemCalls() { return systemCalls_; }

    platform::DirectoryListing listFiles(const QString& directory, const QString& pattern) const override
    {
        return real_.listFiles(directory, pattern);
    }
    platform::DirectoryListing listDirectories(const QString& directory) const override
    {
        return real_.listDirectories(directory);
    }
    platform::DirectoryContents readDirectory(const QString& directory, const QString& pattern) const override
    {
        return real_.readDirectory(directory, pattern);
    }
    QString findFileIgnoringCase(const QString& directory, const QString& name) const override
    {
        return real_.findFileIgnoringCase(directory, name);
    }
    QHash<QString, QString> findSmallPartners(const QString& directory, const QStringList& entries,
                                              const QStringList& listed) const override
    {
        return real_.findSmallPartners(directory, entries, listed);
    }
    QString findConflict(const QString& directory, const QString& name, const QString& except) const override
    {
        return real_.findConflict(directory, name, except);
    }
    QList<platform::Volume> volumes() const override { return volumes_ ? *volumes_ : real_.volumes(); }

    platform::FsResult copyFile(const QString& source, const QString& target) override
    {
        return write(QStringLiteral("copy %1 -> %2").arg(source, target),
                     [&] { return real_.copyFile(source, target); });
    }
    platform::FsResult moveFile(const QString& source, const QString& target,
                                const platform::FileIdentity& expected) override
    {
        return write(QStringLiteral("move %1 -> %2").arg(source, target),
                     [&] { return real_.moveFile(source, target, expected); });
    }
    platform::FsResult removeFile(const QString& path, const platform::FileIdentity& expected) override
    {
        return write(QStringLiteral("remove %1").arg(path), [&] { return real_.removeFile(path, expected); });
    }

private:
    template <typename Write> platform::FsResult write(const QString& what, Write&& realWrite)
    {
        const qsizetype index = writes_.size();
        writes_.append(what);
        for (const auto& [failing, reason] : failures_)
            if (failing == index)
                return platform::FsResult::failure(reason);
        return realWrite();
    }

    SystemCallFaults systemCalls_;
    platform::PosixFileSystem real_{&systemCalls_};
    std::optional<QList<platform::Volume>> volumes_;
    QList<std::pair<qsizetype, QString>> failures_;
    QStringList writes_;
};

} // namespace testsupport
