#pragma once

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testsupport {

enum class VolumeKind { Tmpfs, Fat, Ntfs, Exfat, Passthrough, Btrfs, Xfs, Squashfs };

// What a volume is made with besides its kind.
struct VolumeSetup {
    qint64 bytes = 32 << 20;          // raised to what the file system needs at least
    QString contents;                 // a directory whose files a Squashfs volume holds; else it is empty
    unsigned latencyMicroseconds = 0; // how long a Passthrough volume waits before each request
};

// A fresh volume at a new temporary directory: a tmpfs; a FAT, NTFS or exFAT image served by its FUSE
// daemon (fusefat, ntfs-3g, exfat-fuse); a directory served by our FUSE passthrough, as a network share
// is; or a btrfs, XFS or read-only squashfs image the kernel mounts. exFAT, btrfs, XFS and squashfs come
// from a loop device, which only root may have. Where this machine offers no such volume, mounted() is
// false and skipReason() says why.
class TestVolume {
public:
    explicit TestVolume(VolumeKind kind, qint64 bytes = 32 << 20) : TestVolume(kind, VolumeSetup{bytes, {}, 0}) {}
    TestVolume(VolumeKind kind, const VolumeSetup& setup) : skipReason_(start(kind, setup)) {}
    ~TestVolume();
    TestVolume(const TestVolume&) = delete;
    TestVolume& operator=(const TestVolume&) = delete;
    bool mounted() const { return skipReason_.isEmpty(); }
    QString skipReason() const { return skipReason_; }
    QString path() const { return path_; } // no trailing slash
    // The directory a Passthrough volume serves, where another computer on the network writes.
    QString servedFrom() const { return scratch_.filePath(QStringLiteral("root")); }

private:
    QString start(VolumeKind kind, const VolumeSetup& setup); // why it could not be had, or nothing
    QString serveImage(VolumeKind kind, const VolumeSetup& setup);

    QTemporaryDir scratch_;
    QString path_;
    QString skipReason_;
};

// A program built beside the tests, by its path in the build; its copy in the directory
// OSTREL_TEST_PROGRAMS names where that is set (a run as another user, who may not reach the build).
QString builtProgram(const char* built);

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
