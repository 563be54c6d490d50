#pragma once

#include <optional>

#include <QStringList>

#include "platform/os/file_system.h"
#include "support/system_call_faults.h"

namespace testsupport {

// The real file system, with parts a test can replace: which volumes are mounted, and writes that
// fail on demand. Every write is logged as "copy SRC -> DST", "move SRC -> DST" or "remove PATH".
class ForwardingFileSystem final : public platform::FileSystem {
    using Listing = platform::DirectoryListing;
    using Result = platform::FsResult;

public:
    void setVolumes(QList<platform::Volume> volumes) { volumes_ = std::move(volumes); }
    // The write number `index` (0 = the next one) fails with `reason` and touches nothing.
    void failWrite(int index, const QString& reason) { failWrite(index, Result::failure(reason)); }
    // ... or with the whole outcome given, as the real writes report races and half-done moves.
    void failWrite(int index, const Result& result) { failures_.append({writes_.size() + index, result}); }
    const QStringList& writes() const { return writes_; }
    // The system calls beneath the real writes.
    SystemCallFaults& systemCalls() { return systemCalls_; }

    Listing listFiles(const QString& dir, const QString& pattern) const override
    {
        return real_.listFiles(dir, pattern);
    }
    Listing listDirectories(const QString& dir) const override { return real_.listDirectories(dir); }
    platform::DirectoryContents readDirectory(const QString& dir, const QString& pattern) const override
    {
        return real_.readDirectory(dir, pattern);
    }
    QString findFileIgnoringCase(const QString& dir, const QString& name) const override
    {
        return real_.findFileIgnoringCase(dir, name);
    }
    QHash<QString, QString> findSmallPartners(const QString& dir, const QStringList& entries,
                                              const QStringList& listed) const override
    {
        return real_.findSmallPartners(dir, entries, listed);
    }
    QString findConflict(const QString& dir, const QString& name, const QString& except) const override
    {
        return real_.findConflict(dir, name, except);
    }
    QList<platform::Volume> volumes() const override { return volumes_ ? *volumes_ : real_.volumes(); }

    Result copyFile(const QString& from, const QString& to) override
    {
        return write("copy " + from + " -> " + to, [&] { return real_.copyFile(from, to); });
    }
    Result moveFile(const QString& from, const QString& to, const platform::FileIdentity& expected) override
    {
        return write("move " + from + " -> " + to, [&] { return real_.moveFile(from, to, expected); });
    }
    Result removeFile(const QString& path, const platform::FileIdentity& expected) override
    {
        return write("remove " + path, [&] { return real_.removeFile(path, expected); });
    }

private:
    template <typename Write> Result write(const QString& what, Write&& realWrite)
    {
        writes_.append(what);
        for (const auto& [failing, result] : failures_)
            if (failing == writes_.size() - 1)
                return result;
        return realWrite();
    }

    SystemCallFaults systemCalls_;
    platform::PosixFileSystem real_{&systemCalls_};
    std::optional<QList<platform::Volume>> volumes_;
    QList<std::pair<qsizetype, Result>> failures_;
    QStringList writes_;
};

} // namespace testsupport
