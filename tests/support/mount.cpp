#include "support/mount.h"

#include <algorithm>
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

// How an image is made and served: by a FUSE daemon, or by the kernel itself from a loop device.
// /proc/self/mountinfo gives as their type: FAT "fuse.fusefat"; NTFS on an image file "fuse" (on a block
// device "fuseblk"); exFAT "fuseblk", as any FUSE daemon on a block device; "btrfs", "xfs", "squashfs";
// and for the passthrough "fuse.fuse_passthrough".
struct Recipe {
    const char* formatter;
    QStringList formatOptions; // before the image's name
    const char* daemon;        // or nothing, and the kernel mounts `type`
    QStringList daemonOptions;
    const char* type;
    bool loopDevice;
    qint64 leastBytes;
};

Recipe recipeFor(VolumeKind kind)
{
    switch (kind) {
    case VolumeKind::Fat:
        return {"mkfs.vfat", {}, "fusefat", {"-o", "rw+"}, nullptr, false, 0};
    case VolumeKind::Ntfs:
        return {"mkntfs", {"-F", "-q", "-f"}, "ntfs-3g", {}, nullptr, false, 0};
    case VolumeKind::Exfat: // run by root, it asks for a block device
        return {"mkfs.exfat", {}, "mount.exfat-fuse", {}, nullptr, true, 0};
    case VolumeKind::Btrfs: // btrfs-progs 6.2 needs 109 MiB, xfsprogs 6.1 more than 300
        return {"mkfs.btrfs", {"-q"}, nullptr, {}, "btrfs", true, 128 << 20};
    case VolumeKind::Xfs:
        return {"mkfs.xfs", {"-q"}, nullptr, {}, "xfs", true, 320 << 20};
    default:
        return {"mksquashfs", {}, nullptr, {}, "squashfs", true, 0};
    }
}

// A loop device for the image, or nothing.
QString attachLoop(const QString& image)
{
    QProcess losetup;
    losetup.start(findTool("losetup"), {"--find", "--show", image});
    if (!losetup.waitForFinished(60000) || losetup.exitStatus() != QProcess::NormalExit || losetup.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(losetup.readAllStandardOutput()).trimmed();
}

} // namespace

QString TestVolume::start(VolumeKind kind, const VolumeSetup& setup)
{
    path_ = QFileInfo(scratch_.path()).canonicalFilePath() + QStringLiteral("/volume"); // as mountinfo names it
    const QByteArray at = QFile::encodeName(path_);
    if (!scratch_.isValid() || !QDir().mkdir(path_))
        return QStringLiteral("no temporary directory for a volume");
    if (kind == VolumeKind::Tmpfs) {
        const QByteArray size = "size=" + QByteArray::number(setup.bytes);
        return ::mount("tmpfs", at.constData(), "tmpfs", 0, size.constData()) == 0
                   ? QString()
                   : QStringLiteral("cannot mount here: ") + QString::fromLocal8Bit(std::strerror(errno));
    }
    if (kind != VolumeKind::Passthrough)
        return serveImage(kind, setup);
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return QStringLiteral("/dev/fuse is not to be had here");
    // Attributes kept 20 seconds, as sshfs keeps them by default.
    QStringList arguments{"-o", "attr_timeout=20", servedFrom(), path_};
    if (setup.latencyMicroseconds != 0)
        arguments = QStringList{"-o", QStringLiteral("latency_us=%1").arg(setup.latencyMicroseconds)} + arguments;
    if (struct stat st{}; QDir().mkdir(servedFrom()) && runQuietly(builtProgram(FUSE_PASSTHROUGH), arguments) &&
                          ::stat(at.constData(), &st) == 0)
        return {};
    detach(at);
    return QStringLiteral("our FUSE passthrough cannot serve here");
}

QString TestVolume::serveImage(VolumeKind kind, const VolumeSetup& setup)
{
    const QByteArray at = QFile::encodeName(path_);
    const Recipe recipe = recipeFor(kind);
    const QString formatter = findTool(recipe.formatter);
    const QString daemon = recipe.daemon != nullptr ? findTool(recipe.daemon) : QString();
    if (formatter.isEmpty() || (recipe.daemon != nullptr && daemon.isEmpty()))
        return QStringLiteral("%1 is not to be had here").arg(formatter.isEmpty() ? recipe.formatter : recipe.daemon);
    if (recipe.daemon != nullptr && ::access("/dev/fuse", R_OK | W_OK) != 0)
        return QStringLiteral("/dev/fuse is not to be had here");
    // Root's alone: in a user namespace they stay the machine's.
    if (recipe.loopDevice && ::access("/dev/loop-control", R_OK | W_OK) != 0)
        return QStringLiteral("no loop device for %1 here: /dev/loop-control: %2")
            .arg(recipe.daemon != nullptr ? recipe.daemon : recipe.type, QString::fromLocal8Bit(std::strerror(errno)));

    const QString image = scratch_.filePath(QStringLiteral("image"));
    QFile imageFile(image);
    const bool squashfs = kind == VolumeKind::Squashfs;
    const QStringList format =
        squashfs ? QStringList{setup.contents.isEmpty() ? path_ : setup.contents, image, QStringLiteral("-noappend")}
                 : recipe.formatOptions + QStringList{image};
    if (!imageFile.open(QIODevice::WriteOnly) || !imageFile.resize(std::max(setup.bytes, recipe.leastBytes)) ||
        !runQuietly(formatter, format))
        return QStringLiteral("cannot format ") + image;
    const QString device = recipe.loopDevice ? attachLoop(image) : image;
    if (device.isEmpty())
        return QStringLiteral("no loop device for ") + image;

    // A daemon leaves for the background once the volume is mounted, and ends once it is detached. ntfs-3g
    // mounts before it drops its privileges, and in a user namespace it may not: it ends.
    struct stat st {};
    const bool served =
        recipe.daemon != nullptr
            ? runQuietly(daemon, recipe.daemonOptions + QStringList{device, path_}) && ::stat(at.constData(), &st) == 0
            : ::mount(QFile::encodeName(device).constData(), at.constData(), recipe.type, squashfs ? MS_RDONLY : 0,
                      nullptr) == 0;
    const int error = errno;
    // Detached at once, the device goes by itself when the volume lets it go.
    if (recipe.loopDevice)
        runQuietly(findTool("losetup"), {"--detach", device});
    if (served)
        return {};
    detach(at);
    return recipe.daemon != nullptr ? daemon + QStringLiteral(" cannot serve here")
                                    : QStringLiteral("cannot mount %1 here: %2")
                                          .arg(recipe.type, QString::fromLocal8Bit(std::strerror(error)));
}

TestVolume::~TestVolume()
{
    if (mounted())
        detach(QFile::encodeName(path_)); // before the scratch directory goes
}

QString builtProgram(const char* built)
{
    const QString copies = qEnvironmentVariable("OSTREL_TEST_PROGRAMS");
    return copies.isEmpty() ? QString(built) : copies + '/' + QFileInfo(built).fileName();
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
