#include "support/mount.h"

#include <algorithm>
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

// The initial namespace maps every id to itself.
bool inUserNamespace()
{
    QFile map(QStringLiteral("/proc/self/uid_map"));
    return map.open(QIODevice::ReadOnly) && map.readAll().simplified() != QByteArrayLiteral("0 0 4294967295");
}

} // namespace

TestVolume::TestVolume(VolumeKind kind, qint64 bytes)
{
    start(kind, bytes);
}

void TestVolume::start(VolumeKind kind, qint64 bytes)
{
    scratch_.setAutoRemove(false); // removeTree, once the volume is gone
    path_ = QFileInfo(scratch_.path()).canonicalFilePath() + QStringLiteral("/volume"); // as mountinfo names it
    const QByteArray at = QFile::encodeName(path_);
    if (!scratch_.isValid() || !QDir().mkdir(path_))
        return refuse(QStringLiteral("no temporary directory for a volume"));
    if (kind == VolumeKind::Tmpfs) {
        if (::mount("tmpfs", at.constData(), "tmpfs", 0, ("size=" + QByteArray::number(bytes)).constData()) != 0)
            skipReason_ = QStringLiteral("cannot mount here: ") + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    const bool fat = kind == VolumeKind::Fat;
    const QString formatter = findTool(fat ? "mkfs.vfat" : "mkntfs"), server = findTool(fat ? "fusefat" : "ntfs-3g");
    if (formatter.isEmpty() || server.isEmpty() || ::access("/dev/fuse", R_OK | W_OK) != 0) {
        skipReason_ = QStringLiteral("%1 and its FUSE daemon, or /dev/fuse, are not to be had here").arg(formatter);
        return;
    }
    const QString image = scratch_.filePath(QStringLiteral("image"));
    QFile imageFile(image);
    if (!imageFile.open(QIODevice::WriteOnly) || !imageFile.resize(bytes) ||
        !runQuietly(formatter, fat ? QStringList{image} : QStringList{"-F", "-q", "-f", image}))
        return refuse(QStringLiteral("cannot format ") + image);
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
            return refuse(server + QStringLiteral(" did not mount within 20 s"));
    }
    // ntfs-3g mounts before it drops its privileges, and in a user namespace it may not: it ends.
    if (self.st_dev == parent.st_dev || ::stat(at.constData(), &self) != 0) {
        detach(at);
        refuse(server + QStringLiteral(" cannot serve here"));
    }
}

// A volume that fails as root of the machine is a fault; for anyone else it may be the environment's limit.
void TestVolume::refuse(const QString& reason)
{
    skipReason_ = reason;
    if (::geteuid() == 0 && !inUserNamespace())
        ADD_FAILURE() << reason.toStdString();
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
    const QByteArray top = QFile::encodeName(QFileInfo(path).canonicalFilePath());
    if (top.isEmpty())
        return;
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    QList<QByteArray> inside;
    for (const QByteArray& line : table.open(QIODevice::ReadOnly) ? table.readAll().split('\n') : QList<QByteArray>()) {
        const QList<QByteArray> fields = line.split(' ');
        QByteArray at = fields.size() > 4 ? fields[4] : QByteArray(); // with space, tab, newline and \ in octal
        for (qsizetype i = at.indexOf('\\'); i >= 0 && i + 3 < at.size(); i = at.indexOf('\\', i + 1))
            at.replace(i, 4, QByteArray(1, char(at.mid(i + 1, 3).toInt(nullptr, 8))));
        if (at == top || at.startsWith(top + '/'))
            inside << at;
    }
    // The deepest first: a mount on top of another hides it.
    std::sort(inside.begin(), inside.end(),
              [](const QByteArray& a, const QByteArray& b) { return a.size() > b.size(); });
    for (const QByteArray& at : inside)
        detach(at);
    std::error_code error;
    std::filesystem::remove_all(top.toStdString(), error);
    if (error)
        std::cerr << "cannot remove " << top.toStdString() << ": " << error.message() << '\n';
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
