#include "support/mount.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

extern char** environ;

namespace testsupport {

namespace {

using namespace std::chrono_literals;

constexpr char namespaceMarker[] = "OSTREL_TEST_NAMESPACE";

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// mkfs.* live in sbin, which an ordinary user's PATH often leaves out.
QString findTool(const QString& name)
{
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty()
               ? QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
               : onPath;
}

struct ToolRun {
    bool ok = false;
    QString output;
};

ToolRun runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60000);
    const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return {finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, output};
}

// A mount point as /proc/self/mountinfo writes it: space, tab, newline and backslash in octal.
QByteArray mountinfoSpelling(const QString& path)
{
    QByteArray spelled;
    for (const char c : QFile::encodeName(path)) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\')
            spelled += '\\' + QByteArray::number(int(c), 8).rightJustified(3, '0');
        else
            spelled += c;
    }
    return spelled;
}

QByteArray mountinfoText(int mountinfo)
{
    QByteArray text;
    char buffer[8192];
    ssize_t got = 0;
    off_t at = 0;
    while ((got = ::pread(mountinfo, buffer, sizeof buffer, at)) > 0) {
        text.append(buffer, got);
        at += got;
    }
    return text;
}

QByteArray unspelled(const QByteArray& spelled)
{
    QByteArray path;
    for (qsizetype i = 0; i < spelled.size(); ++i) {
        if (spelled[i] == '\\' && i + 3 < spelled.size()) {
            path += char(spelled.mid(i + 1, 3).toInt(nullptr, 8));
            i += 3;
        } else {
            path += spelled[i];
        }
    }
    return path;
}

// Lazily, so that a file still open in the mount cannot keep it; an ordinary user's FUSE mount needs
// the set-uid helper.
void detach(const QByteArray& at)
{
    if (::umount2(at.constData(), MNT_DETACH) == 0)
        return;
    const QString helper = findTool(QStringLiteral("fusermount3")).isEmpty() ? QStringLiteral("fusermount")
                                                                             : QStringLiteral("fusermount3");
    runTool(helper, {QStringLiteral("-u"), QStringLiteral("-z"), QFile::decodeName(at)});
}

bool listedInMountinfo(int mountinfo, const QByteArray& spelledPath)
{
    for (const QByteArray& line : mountinfoText(mountinfo).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4 && fields[4] == spelledPath)
            return true;
    }
    return false;
}

// Waits for the child to end, at most `patience`; true when it did and was reaped.
bool reap(pid_t child, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
}

// The last lines a FUSE daemon wrote, which say why it would not mount or serve.
QString daemonComplaint(const QString& logPath)
{
    QFile log(logPath);
    const QString text = log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()).trimmed() : QString();
    return text.isEmpty() ? QStringLiteral("the daemon ended without a word") : text.section(QLatin1Char('\n'), -3);
}

// Root of a user namespace of our own, not of the machine: the initial namespace maps every id to itself.
bool inUserNamespace()
{
    QFile map(QStringLiteral("/proc/self/uid_map"));
    return map.open(QIODevice::ReadOnly) && map.readAll().simplified() != QByteArrayLiteral("0 0 4294967295");
}

} // namespace

Mount::Mount(const QString& at, const char* options, const QString& bindFrom) : at_(QFile::encodeName(at))
{
    if (bindFrom.isEmpty()) {
        mounted_ = ::mount("tmpfs", at_.constData(), "tmpfs", 0, options) == 0;
    } else {
        mounted_ = ::mount(QFile::encodeName(bindFrom).constData(), at_.constData(), nullptr, MS_BIND, nullptr) == 0;
        if (mounted_ && ::mount(nullptr, at_.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            const int error = errno;
            ::umount2(at_.constData(), MNT_DETACH);
            errno = error;
            mounted_ = false;
        }
    }
    if (!mounted_)
        skipReason_ = QStringLiteral("cannot mount here: ") + errnoText(errno);
}

Mount::~Mount()
{
    if (mounted_)
        ::umount2(at_.constData(), MNT_DETACH);
}

TestVolume::TestVolume(VolumeKind kind, qint64 bytes)
{
    scratch_.setAutoRemove(false); // removeTree, once the volume is gone
    if (!scratch_.isValid()) {
        skipReason_ = QStringLiteral("no temporary directory: ") + scratch_.errorString();
        ADD_FAILURE() << skipReason_.toStdString();
        return;
    }
    // mountinfo names the mount point by its real path.
    path_ = QFileInfo(scratch_.path()).canonicalFilePath() + QStringLiteral("/volume");
    if (!QDir().mkdir(path_)) {
        skipReason_ = QStringLiteral("cannot make the mount point ") + path_;
        ADD_FAILURE() << skipReason_.toStdString();
        return;
    }
    kind == VolumeKind::Tmpfs ? mountTmpfs(bytes) : mountImage(kind, bytes);
}

void TestVolume::mountTmpfs(qint64 bytes)
{
    const QByteArray options = "size=" + QByteArray::number(bytes);
    mounted_ = ::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", 0, options.constData()) == 0;
    if (!mounted_)
        skipReason_ = QStringLiteral("cannot mount here: ") + errnoText(errno);
}

void TestVolume::mountImage(VolumeKind kind, qint64 bytes)
{
    const bool fat = kind == VolumeKind::Fat;
    const QString formatter = fat ? QStringLiteral("mkfs.vfat") : QStringLiteral("mkntfs");
    const QString server = fat ? QStringLiteral("fusefat") : QStringLiteral("ntfs-3g");
    const QString formatterPath = findTool(formatter), serverPath = findTool(server);
    for (const auto& [name, found] : {std::pair{server, serverPath}, std::pair{formatter, formatterPath}}) {
        if (found.isEmpty()) {
            skipReason_ = name + QStringLiteral(" is not installed");
            return;
        }
    }
    const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse < 0) {
        skipReason_ = QStringLiteral("/dev/fuse cannot be opened by this user: ") + errnoText(errno);
        return;
    }
    ::close(fuse);

    const QString image = scratch_.filePath(QStringLiteral("image"));
    QFile imageFile(image);
    if (!imageFile.open(QIODevice::WriteOnly) || !imageFile.resize(bytes)) {
        skipReason_ = QStringLiteral("cannot make the image: ") + imageFile.errorString();
        ADD_FAILURE() << skipReason_.toStdString();
        return;
    }
    imageFile.close();
    const ToolRun formatted = runTool(
        formatterPath, fat ? QStringList{image}
                           : QStringList{QStringLiteral("-F"), QStringLiteral("-q"), QStringLiteral("-f"), image});
    if (!formatted.ok) {
        skipReason_ = formatter + QStringLiteral(" failed: ") + formatted.output;
        ADD_FAILURE() << skipReason_.toStdString();
        return;
    }

    // In the foreground, so the daemon stays our child and its pid is the one a test may stop.
    const QList<QByteArray> arguments =
        fat ? QList<QByteArray>{"fusefat", "-f", "-o", "rw+", QFile::encodeName(image), QFile::encodeName(path_)}
            : QList<QByteArray>{"ntfs-3g", "-o", "no_detach", QFile::encodeName(image), QFile::encodeName(path_)};
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    // Its chatter goes to a file: a pipe nobody reads would fill up and stall the file system.
    const QByteArray log = QFile::encodeName(scratch_.filePath(QStringLiteral("daemon.log")));
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    const QByteArray program = QFile::encodeName(serverPath);
    const int spawned = ::posix_spawn(&daemon_, program.constData(), &files, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        daemon_ = -1;
        skipReason_ = QStringLiteral("cannot start ") + server + QStringLiteral(": ") + errnoText(spawned);
        ADD_FAILURE() << skipReason_.toStdString();
        return;
    }
    mounted_ = waitForMount(server);
}

bool TestVolume::waitForMount(const QString& server)
{
    const QString log = scratch_.filePath(QStringLiteral("daemon.log"));
    // A daemon that fails as root of the machine is a fault; for anyone else it may be the environment's limit.
    const auto refuse = [this](const QString& reason) {
        skipReason_ = reason;
        if (canMountHere() && !inUserNamespace())
            ADD_FAILURE() << reason.toStdString();
    };
    const int mountinfo = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (mountinfo < 0) {
        skipReason_ = QStringLiteral("cannot read /proc/self/mountinfo: ") + errnoText(errno);
        ADD_FAILURE() << skipReason_.toStdString();
        return false;
    }
    const QByteArray spelled = mountinfoSpelling(path_);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    bool listed = false;
    while (!(listed = listedInMountinfo(mountinfo, spelled))) {
        int status = 0;
        if (::waitpid(daemon_, &status, WNOHANG) == daemon_) {
            daemon_ = -1;
            refuse(QStringLiteral("cannot mount here: ") + daemonComplaint(log));
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            skipReason_ = server + QStringLiteral(" did not mount within 20 s: ") + daemonComplaint(log);
            ADD_FAILURE() << skipReason_.toStdString();
            break;
        }
        // mountinfo wakes a poll for POLLPRI when the mount table changes; the time-out notices the daemon's end.
        pollfd change{mountinfo, POLLPRI, 0};
        ::poll(&change, 1, 20);
    }
    ::close(mountinfo);
    struct statvfs answer {};
    const QByteArray at = QFile::encodeName(path_);
    if (listed && ::statvfs(at.constData(), &answer) != 0) {
        // ntfs-3g mounts before it drops its privileges, and in a user namespace it may not: it ends.
        ::umount2(at.constData(), MNT_DETACH);
        if (!reap(daemon_, 10s)) {
            ::kill(daemon_, SIGKILL);
            ::waitpid(daemon_, nullptr, 0);
        }
        daemon_ = -1;
        refuse(server + QStringLiteral(" cannot serve here: ") + daemonComplaint(log));
        listed = false;
    }
    return listed;
}

bool TestVolume::stopDaemon()
{
    int status = 0;
    return daemon_ > 0 && ::kill(daemon_, SIGSTOP) == 0 && ::waitpid(daemon_, &status, WUNTRACED) == daemon_ &&
           WIFSTOPPED(status);
}

TestVolume::~TestVolume()
{
    // A test may have stopped the daemon; stopped, it could neither let go of the mount nor end.
    if (daemon_ > 0)
        ::kill(daemon_, SIGCONT);
    if (daemon_ > 0 && !mounted_)
        ::kill(daemon_, SIGKILL); // it never mounted: nothing of it to keep
    if (mounted_)
        detach(QFile::encodeName(path_));
    if (daemon_ > 0 && !reap(daemon_, 10s)) {
        ::kill(daemon_, SIGKILL);
        ::waitpid(daemon_, nullptr, 0);
    }
    removeTree(scratch_.path());
}

void removeTree(const QString& path)
{
    namespace fs = std::filesystem;
    // mountinfo names mount points by their real paths.
    const QString real = QFileInfo(path).canonicalFilePath();
    if (path.isEmpty() || real.isEmpty())
        return;
    const QByteArray top = QFile::encodeName(real);
    if (const int mountinfo = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC); mountinfo >= 0) {
        const QByteArray spelled = mountinfoSpelling(real);
        QList<QByteArray> inside;
        for (const QByteArray& line : mountinfoText(mountinfo).split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() > 4 && (fields[4] == spelled || fields[4].startsWith(spelled + '/')))
                inside << unspelled(fields[4]);
        }
        ::close(mountinfo);
        // The deepest first: a mount on top of another hides it.
        std::sort(inside.begin(), inside.end(),
                  [](const QByteArray& a, const QByteArray& b) { return a.size() > b.size(); });
        for (const QByteArray& at : inside)
            detach(at);
    }
    std::error_code error;
    const fs::path root(top.toStdString());
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, error);
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (it->symlink_status(error).type() == fs::file_type::directory)
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(root, error);
    if (error)
        std::cerr << "cannot remove " << top.toStdString() << ": " << error.message() << '\n';
}

QString closedToOtherUsers()
{
    QStringList needed{QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))};
    if (const QString locales = qEnvironmentVariable("LOCPATH"); !locales.isEmpty())
        needed << locales + QStringLiteral("/.");
    for (const QString& path : needed) {
        for (QString dir = QFileInfo(path).absolutePath(); dir != QStringLiteral("/"); dir = QFileInfo(dir).path()) {
            struct stat st {};
            if (::stat(QFile::encodeName(dir).constData(), &st) != 0 || (st.st_mode & S_IXOTH) == 0)
                return QStringLiteral("%1 is closed to other users").arg(dir);
        }
    }
    return {};
}

bool canMountHere()
{
    // CAP_SYS_ADMIN among the effective capabilities, as root has it and root of a user namespace too.
    constexpr int capSysAdmin = 21;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return ::geteuid() == 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("CapEff:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> capSysAdmin) & 1;
    }
    return ::geteuid() == 0;
}

NamespaceRun runWhereMountingWorks()
{
    if (canMountHere() || qEnvironmentVariableIsSet(namespaceMarker))
        return {};
    const QString unshare = findTool(QStringLiteral("unshare"));
    if (unshare.isEmpty() || !runTool(unshare, {QStringLiteral("-rm"), QStringLiteral("true")}).ok)
        return {};

    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name =
        QString::fromUtf8(test->test_suite_name()) + QLatin1Char('.') + QString::fromUtf8(test->name());
    // /proc/self/exe named inside unshare would be unshare itself.
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(namespaceMarker), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(unshare, {QStringLiteral("-rm"), self, QStringLiteral("--gtest_filter=") + name,
                          QStringLiteral("--gtest_color=no")});
    const bool finished = child.waitForFinished(280000);
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    // ctest counts a test skipped when its output shows gtest's skip banner, so the child's banners
    // must not speak for this test.
    const QString output = QString::fromLocal8Bit(child.readAll());
    const QString shown = QString(output).replace(QStringLiteral("[  SKIPPED ]"), QStringLiteral("[ skipped ]"));
    std::cout << "-- the test again in `unshare -rm`, as root of a user namespace:\n"
              << shown.toStdString() << "-- end of the run in `unshare -rm`\n";

    const bool clean = finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    if (clean && output.contains(QStringLiteral("[       OK ] ") + name))
        return {NamespaceRun::Passed, QString()};
    const qsizetype skipped = output.indexOf(QStringLiteral("[  SKIPPED ] ") + name);
    if (clean && skipped >= 0) {
        // gtest writes "file:line: Skipped" and then the reason, up to the banner.
        const qsizetype mark = output.lastIndexOf(QStringLiteral(": Skipped\n"), skipped);
        const QString reason = mark < 0 ? QString() : output.mid(mark + 10, skipped - mark - 10).trimmed();
        return {NamespaceRun::Skipped, reason.isEmpty() ? QStringLiteral("skipped in `unshare -rm`") : reason};
    }
    const QString how = !finished ? QStringLiteral("did not finish within 280 s")
                        : clean   ? QStringLiteral("ran no test named ") + name
                                  : QStringLiteral("failed with exit code %1").arg(child.exitCode());
    return {NamespaceRun::Failed,
            QStringLiteral("the test in `unshare -rm` ") + how + QStringLiteral("; its output is above")};
}

} // namespace testsupport
