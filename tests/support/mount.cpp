#include "support/mount.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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

QString TestVolume::start(VolumeKind kind, qint64 bytes)
{
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
    // The daemon leaves for the background once the volume is mounted, and ends once it is detached. ntfs-3g
    // mounts before it drops its privileges, and in a user namespace it may not: it ends.
    if (struct stat st{};
        runQuietly(server, fat ? QStringList{"-o", "rw+", image, path_} : QStringList{image, path_}) &&
        ::stat(at.constData(), &st) == 0)
        return {};
    detach(at);
    return server + QStringLiteral(" cannot serve here");
}

TestVolume::~TestVolume()
{
    if (mounted())
        detach(QFile::encodeName(path_)); // before the scratch directory goes
}

void removeTree(const QString& path)
{
    std::error_code error;
    std::filesystem::remove_all(QFile::encodeName(path).toStdString(), error);
    if (error)
        std::cerr << "cannot remove " << path.toStdString() << ": " << error.message() << '\n';
}

NamespaceRun runInNamespace(bool always)
{
    // Root may mount; a container that holds root back makes the mounts fail, and they say so.
    const bool root = ::geteuid() == 0;
    if (qEnvironmentVariableIsSet(namespaceMarker) || (!always && root))
        return NamespaceRun::NotNeeded;
    const QString unshare = QStringLiteral("unshare"), flags = root ? QStringLiteral("-m") : QStringLiteral("-rm");
    if (!runQuietly(unshare, {flags, QStringLiteral("true")}))
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
