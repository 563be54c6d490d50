#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testsupport {

// A small tmpfs (or a read-only bind mount) at `at` for the length of a test.
class Mount {
public:
    Mount(const QString& at, const char* options, const QString& bindFrom = QString());
    ~Mount();
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;

    bool mounted() const { return mounted_; }
    QString skipReason() const { return skipReason_; } // empty when mounted

private:
    QByteArray at_;
    bool mounted_ = false;
    QString skipReason_;
};

enum class VolumeKind { Tmpfs, Fat, Ntfs };

// A freshly made, empty volume mounted at a new temporary directory for the life of the object: a
// tmpfs, or a FAT or NTFS image served by its FUSE daemon (fusefat, ntfs-3g), which stays our child so
// that a test can stop it to play a hung file server. Where this machine or user offers no such volume,
// mounted() is false and skipReason() says why; a setup that should have worked fails the test.
class TestVolume {
public:
    explicit TestVolume(VolumeKind kind, qint64 bytes = 32 << 20);
    ~TestVolume();
    TestVolume(const TestVolume&) = delete;
    TestVolume& operator=(const TestVolume&) = delete;

    bool mounted() const { return mounted_; }
    QString skipReason() const { return skipReason_; } // empty when mounted
    QString path() const { return path_; }             // no trailing slash
    pid_t daemon() const { return daemon_; }           // the FUSE daemon, -1 for tmpfs

    // Stops the FUSE daemon, as a hung file server, and returns once every thread of it has stopped:
    // kill(SIGSTOP) alone returns before that, and a request sent meanwhile may still be answered.
    bool stopDaemon();

private:
    void mountTmpfs(qint64 bytes);
    void mountImage(VolumeKind kind, qint64 bytes);
    bool waitForMount(const QString& server);

    QTemporaryDir scratch_;
    QString path_;
    pid_t daemon_ = -1;
    bool mounted_ = false;
    QString skipReason_;
};

// Whether this process may mount: root, or root of a user namespace of its own.
bool canMountHere();

// Removes the directory and all in it by their bytes, as QDir cannot with a name that is not UTF-8;
// mounts inside are detached first and read-only directories opened up, so nothing stays behind.
void removeTree(const QString& path);

// Why another user could not run this test binary or read its locale (LOCPATH): some directory on the
// way is closed to others, as a private temporary directory is; empty when nothing stands in the way.
QString closedToOtherUsers();

// How a test went when RUN_WHERE_MOUNTING_WORKS ran it again in a namespace of its own.
struct NamespaceRun {
    enum Outcome { NotNeeded, Passed, Failed, Skipped };
    Outcome outcome = NotNeeded;
    QString detail; // why it failed or was skipped
};

// Runs the current test again as `unshare -rm <this binary> --gtest_filter=<the test>` when this process
// may not mount but a user and mount namespace can be had; NotNeeded when the test should simply go on
// here (it may mount, it already is that run, or no namespace can be had, so its mounts will skip).
NamespaceRun runWhereMountingWorks();

} // namespace testsupport

// Skips the test when a Mount or TestVolume could not be had, saying why.
#define SKIP_UNLESS_MOUNTED(mount)                                                                                     \
    if (!(mount).mounted())                                                                                            \
    GTEST_SKIP() << (mount).skipReason().toStdString()

// First line of a test body that mounts: an ordinary user's run goes on in `unshare -rm`, and this test
// takes that run's outcome.
#define RUN_WHERE_MOUNTING_WORKS()                                                                                     \
    do {                                                                                                               \
        const ::testsupport::NamespaceRun namespaceRun = ::testsupport::runWhereMountingWorks();                       \
        if (namespaceRun.outcome == ::testsupport::NamespaceRun::Skipped)                                              \
            GTEST_SKIP() << namespaceRun.detail.toStdString();                                                         \
        if (namespaceRun.outcome == ::testsupport::NamespaceRun::Failed)                                               \
            FAIL() << namespaceRun.detail.toStdString();                                                               \
        if (namespaceRun.outcome == ::testsupport::NamespaceRun::Passed)                                               \
            return;                                                                                                    \
    } while (false)
