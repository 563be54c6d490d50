#pragma once

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testsupport {

enum class VolumeKind { Tmpfs, Fat, Ntfs };

// A fresh, empty volume of `bytes` at a new temporary directory: a tmpfs, or a FAT or NTFS image served by
// its FUSE daemon (fusefat, ntfs-3g). Where this machine offers no such volume, mounted() is false and
// skipReason() says why.
class TestVolume {
public:
    explicit TestVolume(VolumeKind kind, qint64 bytes = 32 << 20) : skipReason_(start(kind, bytes)) {}
    ~TestVolume();
    TestVolume(const TestVolume&) = delete;
    TestVolume& operator=(const TestVolume&) = delete;
    bool mounted() const { return skipReason_.isEmpty(); }
    QString skipReason() const { return skipReason_; }
    QString path() const { return path_; } // no trailing slash

private:
    QString start(VolumeKind kind, qint64 bytes); // why it could not be had, or nothing

    QTemporaryDir scratch_;
    QString path_;
    QString skipReason_;
};

// Removes the directory and all in it by their bytes.
void removeTree(const QString& path);

enum class NamespaceRun { NotNeeded, Done, Failed, Unavailable };
// Runs the current test again in a mount namespace of its own (`unshare -m`, or `-rm` for an ordinary
// user) when `always` or when this process may not mount; NotNeeded when the test should go on here.
NamespaceRun runInNamespace(bool always);

} // namespace testsupport

#define RUN_IN_NAMESPACE(always)                                                                                       \
    if (const auto run = ::testsupport::runInNamespace(always); run == ::testsupport::NamespaceRun::Unavailable)       \
        GTEST_SKIP() << "no mount namespace to be had";                                                                \
    else if (run != ::testsupport::NamespaceRun::NotNeeded) {                                                          \
        EXPECT_NE(run, ::testsupport::NamespaceRun::Failed) << "the test in a namespace of its own failed, above";     \
        return;                                                                                                        \
    }
// First line of a test body that mounts: an ordinary user's run goes on in `unshare -rm`.
#define RUN_WHERE_MOUNTING_WORKS() RUN_IN_NAMESPACE(false)
