#include "support/mount.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace testsupport {

namespace {

constexpr char namespaceMarker[] = "OSTREL_TEST_NAMESPACE";

// mkfs.* live in sbin, which an ordinary user's PATH often leaves out.
QString findTool(const QString& name)
{
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"}) : onPath;
}

bool runQuietly(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Lazily, so that a file still open in the mount cannot keep it; an ordinary user's FUSE mount needs the helper.
void detach(const QByteArray& at)
{
    if (::umount2(at.constData(), MNT_DETACH) != 0)
        runQuietly(findTool("fusermount3").isEmpty() ? "fusermount" : "fusermount3",
                   {"-u", "-z", QFile::decodeName(at)});
}

} // namespace

TestVolume::TestVolume(VolumeKind kind, qint64 bytes) : skipReason_(start(kind, bytes))
{
}

QString TestVolume::start(VolumeKind kind, qint64 bytes)
{
    scratch_.setAutoRemove(false); // removeTree, once the volume is gone
    path_ = QFileInfo(scratch_.path()).canonicalFilePath() + QStringLiteral("/volume"); // as mountinfo names it
    const QByteArray at = QFile::encodeName(path_);
    if (!scratch_.isValid() || !QDir().mkdir(path_))
        return QStringLiteral("no temporary directory for a volume");
    if (kind == VolumeKind::Tmpfs)
        return ::mount("tmpfs", at.constData(), "tmpfs", 0, ("size=" + QByteArray::number(bytes)).constData()) == 0
                   ? QString()
                   : QStringLiteral("cannot mount here: ") + QString::fromLocal8Bit(std::strerror(errno));
    const bool fat = kind == VolumeKind::Fat;
    const QString formatter = findTool(fat ? "mkfs.vfat" : "mkntfs"), server = findTool(fat ? "fusefat" : "ntfs-3g");
    if (formatter.isEmpty() || server.isEmpty() || ::access("/dev/fuse", R_OK | W_OK) != 0)
        return QStringLiteral("%1 and its FUSE daemon, or /dev/fuse, are not to be had here").arg(formatter);
    const QString image = scratch_.filePath(QStringLiteral("image"));
    QFile imageFile(image);
    if (!imageFile.open(QIODevice::WriteOnly) || !imageFile.resize(bytes) ||
        !runQuietly(formatter, fat ? QStringList{image} : QStringList{"-F", "-q", "-f", image}))
        return QStringLiteral("cannot format ") + image;
    // In the foreground, so that it stays our child; its chatter goes nowhere, never to a pipe nobody reads.
    daemon_.setProcessChannelMode(QProcess::MergedChannels);
    daemon_.setStandardOutputFile(QProcess::nullDevice());
    daemon_.start(server,
                  fat ? QStringList{"-f", "-o", "rw+", image, path_} : QStringList{"-o", "no_detach", image, path_});
    struct stat parent {};
    struct stat self {};
    ::stat(QFile::encodeName(scratch_.path()).constData(), &parent);
    // Mounted once the mount point stands on a device of its own.
    for (const QDeadlineTimer deadline(20000); ::stat(at.constData(), &self) == 0 && self.st_dev == parent.st_dev;) {
        daemon_.waitForFinished(20);
        if (daemon_.state() == QProcess::NotRunning || deadline.hasExpired())
            return server + QStringLiteral(" did not mount within 20 s");
    }
    // ntfs-3g mounts before it drops its privileges, and in a user namespace it may not: it ends.
    if (self.st_dev != parent.st_dev && ::stat(at.constData(), &self) == 0)
        return {};
    detach(at);
    return server + QStringLiteral(" cannot serve here");
}

bool TestVolume::stopDaemon()
{
    // kill(SIGSTOP) returns before every thread has stopped, and a request sent meanwhile may still be answered.
    const pid_t pid = pid_t(daemon_.processId());
    int status = 0;
    return pid > 0 && ::kill(pid, SIGSTOP) == 0 && ::waitpid(pid, &status, WUNTRACED) == pid && WIFSTOPPED(status);
}

TestVolume::~TestVolume()
{
    if (daemon_.processId() > 0)
        ::kill(pid_t(daemon_.processId()), SIGCONT); // stopped, it could neither let go of the mount nor end
    if (mounted())
        detach(QFile::encodeName(path_));
    if (!daemon_.waitForFinished(10000))
        daemon_.kill();
    daemon_.waitForFinished();
    removeTree(scratch_.path());
}

void removeTree(const QString& path)
{
    std::error_code error;
    std::filesystem::remove_all(QFile::encodeName(path).toStdString(), error);
    if (error)
        std::cerr << "cannot remove " << path.toStdString() << ": " << error.message() << '\n';
}

bool canMountHere()
{
    // CAP_SYS_ADMIN among the effective capabilities, as root has it and root of a user namespace too.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("CapEff:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> 21) & 1;
    return ::geteuid() == 0;
}

NamespaceRun runInNamespace(bool always)
{
    if (qEnvironmentVariableIsSet(namespaceMarker) || (!always && canMountHere()))
        return NamespaceRun::NotNeeded;
    const QString unshare = findTool(QStringLiteral("unshare"));
    const QString flags = canMountHere() ? QStringLiteral("-m") : QStringLiteral("-rm");
    if (unshare.isEmpty() || !runQuietly(unshare, {flags, QStringLiteral("true")}))
        return always ? NamespaceRun::Unavailable : NamespaceRun::NotNeeded;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(namespaceMarker), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    // /proc/self/exe named inside unshare would be unshare itself.
    child.start(unshare, {flags, QFile::symLinkTarget(QStringLiteral("/proc/self/exe")),
                          QStringLiteral("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
    const bool finished = child.waitForFinished(280000);
    // Its banners speak for this test: ctest counts it skipped when the run there was.
    std::cout << "-- the test again in `unshare " << flags.toStdString() << "`:\n"
              << child.readAll().toStdString() << "-- end of that run\n";
    return finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 ? NamespaceRun::Done
                                                                                           : NamespaceRun::Failed;
}

} // namespace testsupport
