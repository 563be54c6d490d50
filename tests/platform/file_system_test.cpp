#include "platform/os/posix_file_system.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <tuple>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "platform/os/mounted_volumes.h"
#include "platform/os/small_name_index.h"
#include "sets/small_partners.h"
#include "support/mount.h"
#include "support/sandbox.h"
#include "support/system_call_faults.h"

namespace {

using platform::PosixFileSystem;
using testsupport::PortraitSandbox;
using testsupport::TestVolume;
using testsupport::VolumeKind;

// Makes each entry by its bytes: "name/" a directory, "name>target" a symbolic link to target (which need
// not exist), anything else a file.
void addEntries(const PortraitSandbox& sandbox, const std::vector<const char*>& entries)
{
    for (const QByteArray entry : entries) {
        const QList<QByteArray> sides = entry.split('>');
        const QByteArray at = QFile::encodeName(sandbox.path()) + '/' + sides[0];
        const bool made = sides.size() > 1      ? ::symlink(sides[1].constData(), at.constData()) == 0
                          : entry.endsWith('/') ? ::mkdir(at.constData(), 0700) == 0
                                                : ::close(::open(at.constData(), O_CREAT | O_WRONLY, 0600)) == 0;
        EXPECT_TRUE(made) << entry.constData();
    }
}

// The file lists ask for "*L.bmp", the directory lists take everything, both from one read as from two. A name
// asked for answers with the spelling the directory stores; a conflict is any entry answering to it but the file
// itself (the first entry here); a large picture's small partner is found in any letter case, but never one that
// belongs to another listed set.
TEST(FileSystem, ListingsAndLookUpsGiveTheSpellingStoredInListOrder)
{
    testsupport::SystemCallFaults unreadable;
    unreadable.lack(platform::SystemCall::OpenDirectory, EIO);
    // clang-format off
    const std::tuple<const char*, std::vector<const char*>, platform::SystemCallHook*, QString, QString> rows[] = {
        // entries, name asked for; files | directories | found | the conflict | each large picture > its small one
        {"case ignored, links followed, hidden left out", {"heroL.bmp", "shoutL.BMP", "\xc3\x84rger l.Bmp", "L.bmp", "linkL.bmp>heroL.bmp", "goneL.bmp>nowhere", "fooS.bmp", "xL.bmp.bak", ".hiddenL.bmp", "DirL.bmp/", "dirlinkL.bmp>.", "b/", "C/", ".hidden/", "a/", "linked>b", "b./"}, nullptr, "", "goneL.bmp heroL.bmp L.bmp linkL.bmp shoutL.BMP \u00c4rger l.Bmp | a b b. C DirL.bmp dirlinkL.bmp linked |  |  | "},
        {"case folded by Unicode rules past the first eight letters, ties by code point", {"bL.bmp", "BL.bmp", "aL.bmp", "aBL.bmp", "AL.bmp", "AbL.bmp", "\xc3\xa4L.bmp", "\xc3\x84L.bmp", "_L.bmp", "zL.bmp", "[L.bmp", "kL.bmp", "\xe2\x84\xaaL.bmp", "KL.bmp", "\xc3\xa9L.bmp", "\xc3\x89L.bmp", "azzzzzzzzL.bmp", "baaaaaaaaL.bmp", "ABCDEFGHbL.bmp", "abcdefghAL.bmp"}, nullptr, "", "[L.bmp _L.bmp abcdefghAL.bmp ABCDEFGHbL.bmp AbL.bmp aBL.bmp AL.bmp aL.bmp azzzzzzzzL.bmp baaaaaaaaL.bmp BL.bmp bL.bmp KL.bmp kL.bmp \u212aL.bmp zL.bmp \u00c4L.bmp \u00e4L.bmp \u00c9L.bmp \u00e9L.bmp |  |  |  | "},
        {"a name that is not UTF-8 is skipped", {"bad\xe4L.bmp", "bad\xef\xbf\xbdL.bmp", "bad\xe4/", "bad\xe4S.bmp"}, nullptr, "bad\uFFFDS.bmp", "bad\uFFFDL.bmp |  |  |  | "},
        {"an unreadable directory", {"heroL.bmp", "heroS.bmp"}, &unreadable, "HEROS.BMP", QString::fromLocal8Bit(std::strerror(EIO)) + " | " + std::strerror(EIO) + " |  |  | "},
        {"exact wins over list order", {"mM05S.bmp", "MM05S.BMP"}, nullptr, "mM05S.bmp", " |  | mM05S.bmp | MM05S.BMP | "},
        {"else first in list order", {"mm05s.bmp", "Mm05S.BMP", "MM05S.bmp"}, nullptr, "MM05s.Bmp", " |  | MM05S.bmp | MM05S.bmp | "},
        {"non-ASCII case", {"\xc3\xa4rgerS.bmp"}, nullptr, "\u00c4RGERS.BMP", " |  | \u00e4rgerS.bmp |  | "},
        {"dangling link", {"goneS.bmp>nowhere"}, nullptr, "GONES.BMP", " |  | goneS.bmp |  | "},
        {"exact is a directory", {"MM05S.BMP", "mM05S.bmp/"}, nullptr, "mM05S.bmp", " | mM05S.bmp | MM05S.BMP | mM05S.bmp | "},
        {"none but a directory", {"MM05L.bmp", "MM05S.BMP/"}, nullptr, "mM05S.bmp", "MM05L.bmp | MM05S.BMP |  | MM05S.BMP | "},
        {"a name of two letters, the second a dot", {"x", "A."}, nullptr, "a.", " |  | A. | A. | "},
        {"as this program writes them", {"FP01L.bmp", "fP01S.bmp", "MM05L.bmp", "mm05s.BMP"}, nullptr, "", "FP01L.bmp MM05L.bmp |  |  |  | FP01L.bmp>fP01S.bmp MM05L.bmp>mm05s.BMP"},
        {"capital I in any locale", {"irisL.bmp", "IrisS.bmp"}, nullptr, "", "irisL.bmp |  |  |  | irisL.bmp>IrisS.bmp"},
        {"the exact partner wins", {"ABL.bmp", "aBS.bmp", "ABS.bmp"}, nullptr, "", "ABL.bmp |  |  |  | ABL.bmp>ABS.bmp"},
        {"one each", {"ABL.bmp", "abL.bmp", "abS.bmp", "ABs.bmp"}, nullptr, "", "ABL.bmp abL.bmp |  |  |  | ABL.bmp>ABs.bmp abL.bmp>abS.bmp"},
        {"the rest in list order", {"ABL.bmp", "abL.bmp", "ABS.bmp", "aBs.bmp"}, nullptr, "", "ABL.bmp abL.bmp |  |  |  | ABL.bmp>ABS.bmp abL.bmp>aBs.bmp"},
        {"the letter that once split a set", {"\xc4\xb0xL.bmp", "\xc4\xb0xS.bmp"}, nullptr, "", "\u0130xL.bmp |  |  |  | \u0130xL.bmp>\u0130xS.bmp"},
    };
    // clang-format on
    const auto shown = [](bool ok, const QString& reason, const QStringList& names) {
        return ok && reason.isEmpty() ? names.join(' ') : reason + (names.isEmpty() ? "" : " and names");
    };
    // Each row twice: read from the disk, and answered from the small names indexed as the list was read.
    for (const auto& [name, entries, hook, asked, expected] : rows)
        for (const int settle : {1000, 0}) {
            SCOPED_TRACE(name);
            PortraitSandbox sandbox;
            addEntries(sandbox, entries);
            const PosixFileSystem fs(hook, std::chrono::milliseconds(settle));
            const platform::DirectoryContents both = fs.readDirectory(sandbox.path(), "*L.bmp");
            const platform::DirectoryListing dirs = fs.listDirectories(sandbox.path());
            const platform::DirectoryListing files = fs.listFiles(sandbox.path(), "*L.bmp");
            QStringList partners;
            const QHash<QString, QString> found = sets::SmallPartners(fs).find(sandbox.path(), files.names, files.names);
            for (auto it = found.begin(); it != found.end(); ++it)
                partners << it.key() + '>' + it.value();
            partners.sort();
            const QString except = sandbox.filePath(QString(entries[0]).section('>', 0, 0));
            EXPECT_EQ(QStringList({shown(files.ok, files.reason, files.names), shown(dirs.ok, dirs.reason, dirs.names),
                                   fs.findFileIgnoringCase(sandbox.path(), asked),
                                   fs.findConflict(sandbox.path(), asked, except), partners.join(' ')})
                          .join(" | "),
                      expected);
            EXPECT_EQ(shown(both.ok, both.reason, both.files) + " | " + shown(both.ok, both.reason, both.directories),
                      expected.section(" | ", 0, 1));
        }
}

// A directory's small names, trusted only while it stands as it was read, and kept only where its times
// show every change: on a local file system, not on FAT through FUSE, nor when it changed within the settle time.
TEST(SmallNameIndexes, AreTrustedOnlyWhileTheirDirectoryStandsStill)
{
    RUN_WHERE_MOUNTING_WORKS();
    const TestVolume fat(VolumeKind::Fat);
    // A tmpfs, as a local disk whose directory times are kept: the temporary directory may lie on an overlay.
    const TestVolume disk(VolumeKind::Tmpfs);
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    enum Replaced { Never, WhileRead, Since };
    // clang-format off
    const std::tuple<const char*, QString, int, Replaced, bool> rows[] = {
        // where, settle time in ms, when the directory is put in another's place; whether its index is trusted
        {"a local disk", disk.path(), 0, Never, true},
        {"replaced while read", disk.path(), 0, WhileRead, false},
        {"replaced since", disk.path(), 0, Since, false},
        {"changed within the settle time", disk.path(), 3600000, Never, false},
        {"FAT through FUSE", fat.mounted() ? fat.path() : QString(), 0, Never, false},
    };
    // clang-format on
    for (const auto& [name, directory, settle, replaced, kept] : rows) {
        SCOPED_TRACE(name);
        if (directory.isEmpty())
            continue; // no FAT here; the no-replace table says why
        const QString where = directory + "/" + name;
        const QByteArray at = QFile::encodeName(where);
        ASSERT_TRUE(QDir().mkdir(where));
        // A change in the same tick of the file system's clock could go unseen: a new directory never does.
        const auto replace = [&where] { ASSERT_TRUE(QDir().rename(where, where + ".old") && QDir().mkdir(where)); };
        platform::SmallNameIndexes indexes((std::chrono::milliseconds(settle)));
        if (std::optional<platform::SmallNameIndexes::Reading> reading = indexes.startReading(at)) {
            for (const char* small : {"mM05S.bmp", "Mm05s.BMP", "MM05L.bmp", "\xc3\x84S.bmp", "xs.bmpx"})
                reading->add(small);
            if (replaced == WhileRead)
                replace();
            indexes.finishReading(at, std::move(*reading));
        }
        if (replaced == Since)
            replace();
        const auto trusted = indexes.trusted(at);
        ASSERT_EQ(trusted.has_value(), kept);
        if (trusted) {
            EXPECT_EQ(std::tuple(trusted->count("mm05s.bmp"), trusted->holds("mm05s.bmp", "Mm05s.BMP"),
                                 trusted->holds("mm05s.bmp", "mm05s.bmp"), trusted->count("\xc3\xa4s.bmp"),
                                 trusted->count("mm05l.bmp")),
                      std::tuple(2, true, false, 1, 0));
        }
    }
}

TEST(MountedVolumes, MountinfoGivesOneCandidatePerRoot)
{
    // As the kernel writes them: id parent major:minor root mount-point options [optional...] - type source options
    // clang-format off
    const std::tuple<const char*, QByteArray, QStringList> rows[] = {
        {"escaped space, tab and backslash", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n30 22 8:17 / /media/My\\040Disk\\011x\\134y rw shared:5 - vfat /dev/sd\\040b rw\n", {"/ ext4 /dev/sda1", "/media/My Disk\tx\\y vfat /dev/sd b"}},
        {"the last mount on a root hides the others", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n31 22 0:40 / /mnt rw - tmpfs tmpfs rw\n32 22 0:42 / /tmp rw - tmpfs tmpfs rw\n33 31 0:41 / /mnt rw master:1 shared:7 - fuse.fusefat fusefat rw\n", {"/ ext4 /dev/sda1", "/mnt fuse.fusefat fusefat", "/tmp tmpfs tmpfs"}},
        {"a chroot with no mount at /", "40 39 0:50 /srv /data rw - tmpfs tmpfs rw\n", {"/  ", "/data tmpfs tmpfs"}},
        {"kernel mounts left out, their look-alikes kept", "1 0 0:1 / / rw - rootfs rootfs rw\n2 1 0:2 / /proc rw - proc proc rw\n3 1 0:3 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n4 1 0:4 / /dev/shm rw - tmpfs tmpfs rw\n5 1 0:5 / /var/run/user rw - tmpfs tmpfs rw\n6 1 0:6 / /var/lock rw - tmpfs tmpfs rw\n7 1 0:7 / /run rw - tmpfs tmpfs rw\n8 1 0:8 / /devices rw - tmpfs tmpfs rw\n9 1 0:9 / /var/running rw - tmpfs tmpfs rw\n", {"/  ", "/run tmpfs tmpfs", "/devices tmpfs tmpfs", "/var/running tmpfs tmpfs"}},
        {"a line cut short or without its separator, a mount point that is no UTF-8", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n23 22 8:2 / /cut rw -\n25 22 8:4 / /nosep rw shared:1 ext4 /dev/sdc rw\n24 22 8:3 / /bad\xe4 rw - ext4 /dev/sdb rw\n26 22 8:5 / /nosource rw - ext4\n", {"/ ext4 /dev/sda1"}},
    };
    // clang-format on
    for (const auto& [name, mountinfo, expected] : rows) {
        QStringList described;
        for (const platform::MountedFileSystem& mount : platform::volumeCandidates(mountinfo))
            described << mount.rootPath + ' ' + mount.type + ' ' + mount.device;
        EXPECT_EQ(described, expected) << name;
    }
}

// The volume a directory lies on tells whether Windows reads it: by its type, or for ntfs-3g serving an image
// (which names no type) by the image's boot sector. The real volumes say the same.
TEST(MountedVolumes, VolumesWindowsReadsAreKnown)
{
    RUN_WHERE_MOUNTING_WORKS();
    PortraitSandbox images;
    const auto image = [&images](const char* name, int at, const char* says) {
        QByteArray sector(512, '\0');
        sector.replace(at, int(std::strlen(says)), says);
        return images.addFile(name, sector).toUtf8();
    };
    const QByteArray mountinfo = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                 "30 22 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
                                 "31 22 8:18 / /media/usb/deeper rw - ext4 /dev/sdb2 rw\n"
                                 "32 22 0:40 / /media/usbx rw - exfat /dev/sdc1 rw\n"
                                 "33 22 0:41 / /mnt/n rw - fuse " +
                                 image("ntfs", 3, "NTFS    ") +
                                 " rw\n"
                                 "34 22 0:42 / /mnt/e rw - fuse " +
                                 image("exfat", 3, "EXFAT   ") +
                                 " rw\n"
                                 "35 22 0:43 / /mnt/f rw - fuse " +
                                 image("fat", 54, "FAT16   ") +
                                 " rw\n"
                                 "36 22 0:44 / /mnt/f32 rw - fuse " +
                                 image("fat32", 82, "FAT32   ") +
                                 " rw\n"
                                 "37 22 0:45 / /mnt/x rw - fuse " +
                                 image("other", 3, "mkfs.fat") +
                                 " rw\n"
                                 "38 22 0:46 / /mnt/gone rw - fuse /nowhere rw\n"
                                 "39 22 0:47 / /mnt/s rw - fuse.sshfs me@host:/ rw\n"
                                 "40 22 0:48 / /mnt/ff rw - fuse.fusefat /img rw\n"
                                 "41 22 0:49 / /mnt/nb rw - fuseblk /dev/sdd1 rw\n"
                                 "42 22 0:50 / /mnt/smb rw - cifs //server/share rw\n";
    // clang-format off
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"/", "/", false}, {"/home/me", "/", false}, {"/media/usb/x", "/media/usb", true}, {"/media/usb/deeper/x", "/media/usb/deeper", false},
        {"/media/usbx", "/media/usbx", true}, {"/mnt/n/a", "/mnt/n", true}, {"/mnt/e", "/mnt/e", true}, {"/mnt/f", "/mnt/f", true},
        {"/mnt/f32", "/mnt/f32", true}, {"/mnt/x", "/mnt/x", false}, {"/mnt/gone", "/mnt/gone", false}, {"/mnt/s", "/mnt/s", false},
        {"/mnt/ff", "/mnt/ff", true}, {"/mnt/nb", "/mnt/nb", true}, {"/mnt/smb/a/b", "/mnt/smb", true},
    };
    // clang-format on
    const QList<platform::MountedFileSystem> candidates = platform::volumeCandidates(mountinfo);
    for (const auto& [path, root, windows] : rows) {
        const platform::MountedFileSystem mount = platform::mountAt(candidates, path);
        EXPECT_EQ(std::tuple(mount.rootPath, platform::takesOnlyWindowsNames(mount)),
                  std::tuple(QString(root), windows))
            << path;
    }
    for (const auto& [kind, windows] : {std::pair{VolumeKind::Tmpfs, false},
                                        {VolumeKind::Fat, true},
                                        {VolumeKind::Ntfs, true},
                                        {VolumeKind::Exfat, true},
                                        {VolumeKind::Passthrough, false},
                                        {VolumeKind::Btrfs, false}}) {
        const TestVolume volume(kind);
        if (!volume.mounted())
            continue; // the volumes' own tests say why
        EXPECT_TRUE(QDir(volume.path()).mkdir("sub"));
        EXPECT_EQ(PosixFileSystem().takesOnlyWindowsNames(volume.path() + "/sub"), windows) << int(kind);
    }
}

// In a mount namespace of its own, under a /dev of our making: labels come from /dev/disk/by-label, the
// last of stacked mounts names the volume, and a FUSE volume is listed. The mounts stand on a tmpfs of
// their own, which takes them along when it goes.
TEST(MountedVolumes, TheDriveListShowsWhatIsMountedAndAnswers)
{
    RUN_IN_NAMESPACE(true);
    const TestVolume roots(VolumeKind::Tmpfs, 1 << 20);
    const TestVolume fat(VolumeKind::Fat);
    if (!roots.mounted() || ::mount("tmpfs", "/dev", "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount here: " << std::strerror(errno);
    const QString top = roots.path() + '/';
    ASSERT_TRUE(QDir("/dev").mkpath("disk/by-label"));
    // clang-format off
    const std::tuple<const char*, QString, const char*> rows[] = {
        // mount point, its source, the link udev writes for the source's label
        {"Labelled", "/dev/sdz1", "My\\x20Disk"},
        {"Stacked", "/dev/sdz2", "Beneath"},
        {"Stacked", "/dev/sdz3", "\\xc3\\x84rger"},
        {"Unlabelled", "/dev/sdz4", nullptr},
        {"NoDevice", top + "device", "Outside"},
    };
    // clang-format on
    for (const auto& [at, source, label] : rows) {
        QDir().mkpath(top + at);
        QFile(source).open(QIODevice::WriteOnly);
        ASSERT_TRUE(label == nullptr || QFile::link(source, QString("/dev/disk/by-label/") + label));
        const QByteArray from = QFile::encodeName(source), to = QFile::encodeName(top + at);
        ASSERT_EQ(::mount(from.constData(), to.constData(), "tmpfs", 0, "size=1m"), 0);
    }
    QStringList shown;
    for (const platform::Volume& volume : platform::mountedVolumes(std::chrono::seconds(2)))
        if (volume.rootPath == "/" || volume.rootPath.startsWith(roots.path()) || volume.rootPath == fat.path())
            shown << QString(volume.rootPath).replace(roots.path(), "~").replace(fat.path(), "FAT") + '|' +
                         volume.label;
    EXPECT_EQ(shown.contains("FAT|"), fat.mounted());
    EXPECT_EQ(shown.join(' ').remove(" FAT|"),
              "/| ~| ~/Labelled|My Disk ~/NoDevice| ~/Stacked|\u00c4rger ~/Unlabelled|");
}

} // namespace
