#include "platform/os/mounted_volumes.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "platform/os/file_descriptor.h"
#include "platform/os/list_order.h"
#include "platform/os/names_on_disk.h"
#include "platform/os/paths.h"

namespace platform {

namespace {

const QString rootDirectory = QStringLiteral("/");

// mountinfo writes a space, tab, newline or backslash in a field as a backslash and three octal digits.
QByteArray unescaped(const QByteArray& field)
{
    const auto isOctal = [&field](qsizetype at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
    QByteArray plain;
    plain.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            plain.append(char((field[i + 1] - '0') << 6 | (field[i + 2] - '0') << 3 | (field[i + 3] - '0')));
            i += 3;
        } else {
            plain.append(field[i]);
        }
    }
    return plain;
}

// The kernel's own mounts (device nodes, process and system tables, cgroups, the old run and lock
// directories that only mirror /run) hold nothing a user files portraits in.
bool isKernelMount(const QString& rootPath, const QByteArray& type)
{
    static const QString kernelDirectories[] = {QStringLiteral("/dev"), QStringLiteral("/proc"), QStringLiteral("/sys"),
                                                QStringLiteral("/var/run"), QStringLiteral("/var/lock")};
    return type == "rootfs" || std::any_of(std::begin(kernelDirectories), std::end(kernelDirectories),
                                           [&rootPath](const QString& dir) { return isAtOrUnder(rootPath, dir); });
}

// udev names a label's link with every byte it dislikes written as \xNN.
QString decodedLabel(const QString& linkName)
{
    const QByteArray encoded = QFile::encodeName(linkName);
    QByteArray plain;
    const auto isHex = [&encoded](qsizetype at) { return at < encoded.size() && std::isxdigit(uchar(encoded[at])); };
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 1 < encoded.size() && encoded[i + 1] == 'x' && isHex(i + 2) && isHex(i + 3)) {
            plain.append(char(encoded.mid(i + 2, 2).toInt(nullptr, 16)));
            i += 3;
        } else {
            plain.append(encoded[i]);
        }
    }
    return QString::fromUtf8(plain);
}

// The labels in /dev/disk/by-label by the device node each names. Only device nodes are looked up:
// resolving a source that lies on another mount could wait on that mount's server.
QHash<QString, QString> labelsByDevice()
{
    QHash<QString, QString> labels;
    const QDir byLabel(QStringLiteral("/dev/disk/by-label"));
    const auto filter = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    for (const QString& link : byLabel.entryList(filter)) {
        const QString device = QFileInfo(byLabel.filePath(link)).canonicalFilePath();
        if (!device.isEmpty())
            labels.insert(device, decodedLabel(link));
    }
    return labels;
}

QString labelOf(const MountedFileSystem& mount, const QHash<QString, QString>& labels)
{
    if (labels.isEmpty() || !mount.device.startsWith(QStringLiteral("/dev/")))
        return QString();
    return labels.value(QFileInfo(mount.device).canonicalFilePath());
}

// What the probes found, shared with them: a probe that never comes back still writes into it safely.
struct Answers {
    std::mutex mutex;
    std::condition_variable answered;
    std::vector<char> ready;
    std::size_t pending = 0;
};

// Asks every candidate but "/" at once; "/" is offered whatever it says.
std::vector<char> readiness(const QList<MountedFileSystem>& candidates, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    const auto answers = std::make_shared<Answers>();
    answers->ready.assign(std::size_t(candidates.size()), 0);
    std::unique_lock lock(answers->mutex);
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        if (candidates[i].rootPath == rootDirectory)
            continue;
        try {
            std::thread([answers, slot = std::size_t(i), path = QFile::encodeName(candidates[i].rootPath)] {
                struct statvfs info {};
                // A file system of no size is a kernel table (binfmt_misc, a cgroup), not a place for files.
                const bool ready = ::statvfs(path.constData(), &info) == 0 && info.f_blocks > 0;
                const std::lock_guard guard(answers->mutex);
                answers->ready[slot] = char(ready);
                --answers->pending;
                answers->answered.notify_one();
            }).detach();
            ++answers->pending;
        } catch (const std::system_error&) {
            // No thread to be had: that volume is not offered this time.
        }
    }
    answers->answered.wait_until(lock, deadline, [&answers] { return answers->pending == 0; });
    return answers->ready;
}

} // namespace

QList<MountedFileSystem> volumeCandidates(const QByteArray& mountinfo)
{
    QList<MountedFileSystem> candidates;
    QHash<QString, qsizetype> indexOfRoot;
    for (const QByteArray& line : mountinfo.split('\n')) {
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArrayLiteral("-"), 6);
        if (separator == -1 || separator + 2 >= fields.size())
            continue;
        const QByteArray type = unescaped(fields[separator + 1]);
        const std::optional<QString> rootPath = decodedName(unescaped(fields[4]));
        if (!rootPath || isKernelMount(*rootPath, type))
            continue;
        const MountedFileSystem mount{*rootPath, QString::fromUtf8(type),
                                      QFile::decodeName(unescaped(fields[separator + 2]))};
        const auto known = indexOfRoot.constFind(mount.rootPath);
        if (known != indexOfRoot.cend()) {
            candidates[*known] = mount;
            continue;
        }
        indexOfRoot.insert(mount.rootPath, candidates.size());
        candidates.append(mount);
    }
    if (!indexOfRoot.contains(rootDirectory))
        candidates.prepend(MountedFileSystem{rootDirectory, QString(), QString()});
    return candidates;
}

MountedFileSystem mountAt(const QList<MountedFileSystem>& candidates, const QString& path)
{
    MountedFileSystem found;
    for (const MountedFileSystem& mount : candidates)
        if ((isAtOrUnder(path, mount.rootPath) || mount.rootPath == rootDirectory) &&
            mount.rootPath.size() >= found.rootPath.size())
            found = mount;
    return found;
}

bool takesOnlyWindowsNames(const MountedFileSystem& mount)
{
    static const QStringList windowsTypes = {QStringLiteral("vfat"), QStringLiteral("msdos"),  QStringLiteral("exfat"),
                                             QStringLiteral("ntfs"), QStringLiteral("ntfs3"),  QStringLiteral("cifs"),
                                             QStringLiteral("smb3"), QStringLiteral("fuseblk")};
    if (windowsTypes.contains(mount.type))
        return true;
    // "fuse.fusefat", "fuse.exfat", "fuse.lowntfs-3g"; ciopfs keeps case-blind folders for Windows programs.
    if (mount.type.startsWith(QStringLiteral("fuse.")))
        return mount.type.contains(QStringLiteral("fat")) || mount.type.contains(QStringLiteral("ntfs")) ||
               mount.type == QStringLiteral("fuse.ciopfs");
    if (mount.type != QStringLiteral("fuse") || !mount.device.startsWith(QLatin1Char('/')))
        return false;
    // Only an image or a device is read, never a path that another mount's server would have to answer.
    const FileDescriptor source(
        ::open(QFile::encodeName(mount.device).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
    struct stat st {};
    char sector[90] = {};
    if (source.get() < 0 || ::fstat(source.get(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) ||
        ::pread(source.get(), sector, sizeof sector, 0) != ssize_t(sizeof sector))
        return false;
    const auto says = [&sector](int at, const char* text) {
        return std::memcmp(sector + at, text, std::strlen(text)) == 0;
    };
    return says(3, "NTFS    ") || says(3, "EXFAT   ") || says(54, "FAT1") || says(82, "FAT32");
}

QList<Volume> mountedVolumes(std::chrono::milliseconds patience)
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    const QList<MountedFileSystem> candidates =
        volumeCandidates(table.open(QIODevice::ReadOnly) ? table.readAll() : QByteArray());
    const std::vector<char> ready = readiness(candidates, patience);
    const QHash<QString, QString> labels = labelsByDevice();
    QList<Volume> volumes;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        if (ready[std::size_t(i)] || candidates[i].rootPath == rootDirectory)
            volumes.append(Volume{candidates[i].rootPath, labelOf(candidates[i], labels)});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const Volume& a, const Volume& b) { return listOrderLess(a.rootPath, b.rootPath); });
    return volumes;
}

} // namespace platform
