#include "platform/os/posix_file_system.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <tuple>
#include <vector>

#include <sys/mount.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "platform/os/mounted_volumes.h"
#include "platform/os/small_name_index.h"
#include "support/directory_rows.h"
#include "support/mount.h"
#include "support/sandbox.h"
#include "support/system_call_faults.h"

namespace {

using platform::PosixFileSystem;
using testsupport::PortraitSandbox;
using testsupport::TestVolume;
using testsupport::VolumeKind;

// The file lists ask for "*L.bmp", the directory lists take everything, both from one read as from two. A name
// asked for answers with the spelling the directory stores; a conflict is any entry answering to it but the file
// itself (the first entry).
struct ListingRow {
    const char* name;
    std::vector<const char*> entries;
    QString asked;
    QString files;       // in list order; for an unreadable directory, the system's reason
    QString directories; // likewise
    QString found;
    QString conflict;
    bool unreadable = false;
};

const ListingRow listingRows[] = {
    {"case ignored, links followed, hidden left out",
     {"heroL.bmp", "shoutL.BMP", "\xc3\x84rger l.Bmp", "L.bmp", "linkL.bmp>heroL.bmp", "goneL.bmp>nowhere", "fooS.bmp",
      "xL.bmp.bak", ".hiddenL.bmp", "DirL.bmp/", "dirlinkL.bmp>.", "b/", "C/", ".hidden/", "a/", "linked>b", "b./"},
     "",
     "goneL.bmp heroL.bmp L.bmp linkL.bmp shoutL.BMP \u00c4rger l.Bmp",
     "a b b. C DirL.bmp dirlinkL.bmp linked",
     "",
     ""},
    {"case folded by Unicode rules past the first eight letters, ties by code point",
     {"bL.bmp",
      "BL.bmp",
      "aL.bmp",
      "aBL.bmp",
      "AL.bmp",
      "AbL.bmp",
      "\xc3\xa4L.bmp",
      "\xc3\x84L.bmp",
      "_L.bmp",
      "zL.bmp",
      "[L.bmp",
      "kL.bmp",
      "\xe2\x84\xaaL.bmp",
      "KL.bmp",
      "\xc3\xa9L.bmp",
      "\xc3\x89L.bmp",
      "azzzzzzzzL.bmp",
      "baaaaaaaaL.bmp",
      "ABCDEFGHbL.bmp",
      "abcdefghAL.bmp"},
     "",
     "[L.bmp _L.bmp abcdefghAL.bmp ABCDEFGHbL.bmp AbL.bmp aBL.bmp AL.bmp aL.bmp azzzzzzzzL.bmp baaaaaaaaL.bmp BL.bmp "
     "bL.bmp KL.bmp kL.bmp \u212aL.bmp zL.bmp \u00c4L.bmp \u00e4L.bmp \u00c9L.bmp \u00e9L.bmp",
     "",
     "",
     ""},
    {"a name that is not UTF-8 is skipped",
     {"bad\xe4L.bmp", "bad\xef\xbf\xbdL.bmp", "bad\xe4/", "bad\xe4S.bmp"},
     "bad\uFFFDS.bmp",
     "bad\uFFFDL.bmp",
     "",
     "",
     ""},
    {"an unreadable directory", {"heroL.bmp", "heroS.bmp"}, "HEROS.BMP", "", "", "", "", true},
    {"exact wins over list order", {"mM05S.bmp", "MM05S.BMP"}, "mM05S.bmp", "", "", "mM05S.bmp", "MM05S.BMP"},
    {"else first in list order",
     {"mm05s.bmp", "Mm05S.BMP", "MM05S.bmp"},
     "MM05s.Bmp",
     "",
     "",
     "MM05S.bmp",
     "MM05S.bmp"},
    {"non-ASCII case", {"\xc3\xa4rgerS.bmp"}, "\u00c4RGERS.BMP", "", "", "\u00e4rgerS.bmp", ""},
    {"dangling link", {"goneS.bmp>nowhere"}, "GONES.BMP", "", "", "goneS.bmp", ""},
    {"exact is a directory", {"MM05S.BMP", "mM05S.bmp/"}, "mM05S.bmp", "", "mM05S.bmp", "MM05S.BMP", "mM05S.bmp"},
    {"none but a directory", {"MM05L.bmp", "MM05S.BMP/"}, "mM05S.bmp", "MM05L.bmp", "MM05S.BMP", "", "MM05S.BMP"},
    {"a name of two letters, the second a dot", {"x", "A."}, "a.", "", "", "A.", "A."},
};

class Listing : public testing::TestWithParam<ListingRow> {};

TEST_P(Listing, GivesTheSpellingStoredInListOrder)
{
    const ListingRow& row = GetParam();
    PortraitSandbox sandbox;
    testsupport::addEntries(sandbox, row.entries);
    testsupport::SystemCallFaults faults;
    if (row.unreadable)
        faults.lack(platform::SystemCall::OpenDirectory, EIO);
    const PosixFileSystem fs(&faults);
    const auto shown = [](bool ok, const QString& reason, const QStringList& names) {
        return ok && reason.isEmpty() ? names.join(' ') : reason + (names.isEmpty() ? "" : " and names");
    };
    const QString reason = QString::fromLocal8Bit(std::strerror(EIO));
    const QString files = row.unreadable ? reason : row.files;
    const QString directories = row.unreadable ? reason : row.directories;
    const platform::DirectoryContents both = fs.readDirectory(sandbox.path(), "*L.bmp");
    const platform::DirectoryListing dirs = fs.listDirectories(sandbox.path());
    const platform::DirectoryListing listed = fs.listFiles(sandbox.path(), "*L.bmp");
    const QString except = sandbox.filePath(QString(row.entries[0]).section('>', 0, 0));
    EXPECT_EQ(QStringList({shown(listed.ok, listed.reason, listed.names), shown(dirs.ok, dirs.reason, dirs.names),
                           fs.findFileIgnoringCase(sandbox.path(), row.asked),
                           fs.findConflict(sandbox.path(), row.asked, except)})
                  .join(" | "),
              QStringList({files, directories, row.found, row.conflict}).join(" | "));
    EXPECT_EQ(shown(both.ok, both.reason, both.files) + " | " + shown(both.ok, both.reason, both.directories),
              files + " | " + directories);
}

INSTANTIATE_TEST_SUITE_P(FileSystem, Listing, testing::ValuesIn(listingRows), testsupport::ByRowName());

// A directory's small names, trusted only while it stands as it was read, and kept only where its times
// show every change: on a local file system, not on FAT through FUSE, nor when it changed within the settle time.
enum class Replaced { Never, WhileRead, Since };
struct IndexRow {
    const char* name;
    VolumeKind volume; // a tmpfs stands for a local disk: the temporary directory may lie on an overlay
    int settleMs;
    Replaced replaced; // when the directory is put in another's place
    bool trusted;
};

const IndexRow indexRows[] = {
    {"a local disk", VolumeKind::Tmpfs, 0, Replaced::Never, true},
    {"replaced while read", VolumeKind::Tmpfs, 0, Replaced::WhileRead, false},
    {"replaced since", VolumeKind::Tmpfs, 0, Replaced::Since, false},
    {"changed within the settle time", VolumeKind::Tmpfs, 3600000, Replaced::Never, false},
    {"FAT through FUSE", VolumeKind::Fat, 0, Replaced::Never, false},
};

class SmallNameIndexes : public testing::TestWithParam<IndexRow> {};

TEST_P(SmallNameIndexes, AreTrustedOnlyWhileTheirDirectoryStandsStill)
{
    RUN_WHERE_MOUNTING_WORKS();
    const IndexRow& row = GetParam();
    const TestVolume volume(row.volume);
    if (!volume.mounted())
        GTEST_SKIP() << volume.skipReason().toStdString();
    const QString where = volume.path() + "/" + row.name;
    const QByteArray at = QFile::encodeName(where);
    ASSERT_TRUE(QDir().mkdir(where));
    // A change in the same tick of the file system's clock could go unseen: a new directory never does.
    const auto replace = [&where] { ASSERT_TRUE(QDir().rename(where, where + ".old") && QDir().mkdir(where)); };
    platform::SmallNameIndexes indexes((std::chrono::milliseconds(row.settleMs)));
    if (std::optional<platform::SmallNameIndexes::Reading> reading = indexes.startReading(at)) {
        for (const char* small : {"mM05S.bmp", "Mm05s.BMP", "MM05L.bmp", "\xc3\x84S.bmp", "xs.bmpx"})
            reading->add(small);
        if (row.replaced == Replaced::WhileRead)
            replace();
        indexes.finishReading(at, std::move(*reading));
    }
    if (row.replaced == Replaced::Since)
        replace();
    const auto trusted = indexes.trusted(at);
    ASSERT_EQ(trusted.has_value(), row.trusted);
    if (trusted) {
        EXPECT_EQ(std::tuple(trusted->count("mm05s.bmp"), trusted->holds("mm05s.bmp", "Mm05s.BMP"),
                             trusted->holds("mm05s.bmp", "mm05s.bmp"), trusted->count("\xc3\xa4s.bmp"),
                             trusted->count("mm05l.bmp")),
                  std::tuple(2, true, false, 1, 0));
    }
}

INSTANTIATE_TEST_SUITE_P(FileSystem, SmallNameIndexes, testing::ValuesIn(indexRows), testsupport::ByRowName());

// As the kernel writes them: id parent major:minor root mount-point options [optional...] - type source options.
struct MountinfoRow {
    const char* name;
    QByteArray mountinfo;
    QStringList candidates; // root, type and source of each
};

const MountinfoRow mountinfoRows[] = {
    {"escaped space, tab and backslash",
     "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
     "30 22 8:17 / /media/My\\040Disk\\011x\\134y rw shared:5 - vfat /dev/sd\\040b rw\n",
     {"/ ext4 /dev/sda1", "/media/My Disk\tx\\y vfat /dev/sd b"}},
    {"the last mount on a root hides the others",
     "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n31 22 0:40 / /mnt rw - tmpfs tmpfs rw\n"
     "32 22 0:42 / /tmp rw - tmpfs tmpfs rw\n33 31 0:41 / /mnt rw master:1 shared:7 - fuse.fusefat fusefat rw\n",
     {"/ ext4 /dev/sda1", "/mnt fuse.fusefat fusefat", "/tmp tmpfs tmpfs"}},
    {"a chroot with no mount at the root", "40 39 0:50 /srv /data rw - tmpfs tmpfs rw\n", {"/  ", "/data tmpfs tmpfs"}},
    {"kernel mounts left out, their look-alikes kept",
     "1 0 0:1 / / rw - rootfs rootfs rw\n2 1 0:2 / /proc rw - proc proc rw\n"
     "3 1 0:3 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n4 1 0:4 / /dev/shm rw - tmpfs tmpfs rw\n"
     "5 1 0:5 / /var/run/user rw - tmpfs tmpfs rw\n6 1 0:6 / /var/lock rw - tmpfs tmpfs rw\n"
     "7 1 0:7 / /run rw - tmpfs tmpfs rw\n8 1 0:8 / /devices rw - tmpfs tmpfs rw\n"
     "9 1 0:9 / /var/running rw - tmpfs tmpfs rw\n",
     {"/  ", "/run tmpfs tmpfs", "/devices tmpfs tmpfs", "/var/running tmpfs tmpfs"}},
    {"a line cut short or without its separator, a mount point that is no UTF-8",
     "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n23 22 8:2 / /cut rw -\n25 22 8:4 / /nosep rw shared:1 ext4 /dev/sdc rw\n"
     "24 22 8:3 / /bad\xe4 rw - ext4 /dev/sdb rw\n26 22 8:5 / /nosource rw - ext4\n",
     {"/ ext4 /dev/sda1"}},
};

class Mountinfo : public testing::TestWithParam<MountinfoRow> {};

TEST_P(Mountinfo, GivesOneCandidatePerRoot)
{
    QStringList described;
    for (const platform::MountedFileSystem& mount : platform::volumeCandidates(GetParam().mountinfo))
        described << mount.rootPath + ' ' + mount.type + ' ' + mount.device;
    EXPECT_EQ(described, GetParam().candidates);
}

INSTANTIATE_TEST_SUITE_P(MountedVolumes, Mountinfo, testing::ValuesIn(mountinfoRows), testsupport::ByRowName());

// The volume a directory lies on tells whether Windows reads it: by its type, or for ntfs-3g serving an image
// (which names no type) by the image's boot sector.
struct WindowsVolumeRow {
    const char* name;
    const char* path;
    const char* root; // of the volume it lies on
    bool windows;
};

const WindowsVolumeRow windowsVolumeRows[] = {
    {"the root", "/", "/", false},
    {"a home on the root", "/home/me", "/", false},
    {"on a FAT stick", "/media/usb/x", "/media/usb", true},
    {"on an ext4 mounted on the stick", "/media/usb/deeper/x", "/media/usb/deeper", false},
    {"exFAT whose root begins like another", "/media/usbx", "/media/usbx", true},
    {"FUSE serving an NTFS image", "/mnt/n/a", "/mnt/n", true},
    {"FUSE serving an exFAT image", "/mnt/e", "/mnt/e", true},
    {"FUSE serving a FAT16 image", "/mnt/f", "/mnt/f", true},
    {"FUSE serving a FAT32 image", "/mnt/f32", "/mnt/f32", true},
    {"FUSE serving an image of another kind", "/mnt/x", "/mnt/x", false},
    {"FUSE serving an image that is gone", "/mnt/gone", "/mnt/gone", false},
    {"sshfs", "/mnt/s", "/mnt/s", false},
    {"fusefat", "/mnt/ff", "/mnt/ff", true},
    {"fuseblk", "/mnt/nb", "/mnt/nb", true},
    {"an SMB share", "/mnt/smb/a/b", "/mnt/smb", true},
};

class WindowsVolume : public testing::TestWithParam<WindowsVolumeRow> {};

TEST_P(WindowsVolume, IsKnownByTypeOrBootSector)
{
    PortraitSandbox images;
    const auto image = [&images](const char* name, int at, const char* says) {
        QByteArray sector(512, '\0');
        sector.replace(at, int(std::strlen(says)), says);
        return images.addFile(name, sector).toUtf8();
    };
    const QByteArray mountinfo =
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n30 22 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
        "31 22 8:18 / /media/usb/deeper rw - ext4 /dev/sdb2 rw\n32 22 0:40 / /media/usbx rw - exfat /dev/sdc1 rw\n"
        "33 22 0:41 / /mnt/n rw - fuse " +
        image("ntfs", 3, "NTFS    ") + " rw\n34 22 0:42 / /mnt/e rw - fuse " + image("exfat", 3, "EXFAT   ") +
        " rw\n35 22 0:43 / /mnt/f rw - fuse " + image("fat", 54, "FAT16   ") + " rw\n36 22 0:44 / /mnt/f32 rw - fuse " +
        image("fat32", 82, "FAT32   ") + " rw\n37 22 0:45 / /mnt/x rw - fuse " + image("other", 3, "mkfs.fat") +
        " rw\n38 22 0:46 / /mnt/gone rw - fuse /nowhere rw\n39 22 0:47 / /mnt/s rw - fuse.sshfs me@host:/ rw\n"
        "40 22 0:48 / /mnt/ff rw - fuse.fusefat /img rw\n41 22 0:49 / /mnt/nb rw - fuseblk /dev/sdd1 rw\n"
        "42 22 0:50 / /mnt/smb rw - cifs //server/share rw\n";
    const WindowsVolumeRow& row = GetParam();
    const platform::MountedFileSystem mount = platform::mountAt(platform::volumeCandidates(mountinfo), row.path);
    EXPECT_EQ(std::tuple(mount.rootPath, platform::takesOnlyWindowsNames(mount)),
              std::tuple(QString(row.root), row.windows));
}

INSTANTIATE_TEST_SUITE_P(MountedVolumes, WindowsVolume, testing::ValuesIn(windowsVolumeRows), testsupport::ByRowName());

// The real volumes say the same.
struct RealVolumeRow {
    const char* name;
    VolumeKind kind;
    bool windows;
};

const RealVolumeRow realVolumeRows[] = {
    {"tmpfs", VolumeKind::Tmpfs, false},
    {"FAT", VolumeKind::Fat, true},
    {"NTFS", VolumeKind::Ntfs, true},
    {"exFAT", VolumeKind::Exfat, true},
    {"passthrough", VolumeKind::Passthrough, false},
    {"btrfs", VolumeKind::Btrfs, false},
};

class RealVolume : public testing::TestWithParam<RealVolumeRow> {};

TEST_P(RealVolume, TellsWhetherWindowsReadsIt)
{
    RUN_WHERE_MOUNTING_WORKS();
    const TestVolume volume(GetParam().kind);
    if (!volume.mounted())
        GTEST_SKIP() << volume.skipReason().toStdString();
    EXPECT_TRUE(QDir(volume.path()).mkdir("sub"));
    EXPECT_EQ(PosixFileSystem().takesOnlyWindowsNames(volume.path() + "/sub"), GetParam().windows);
}

INSTANTIATE_TEST_SUITE_P(MountedVolumes, RealVolume, testing::ValuesIn(realVolumeRows), testsupport::ByRowName());

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
    struct Mount {
        const char* at;
        QString source;
        const char* label; // the link udev writes for the source's label
    };
    const Mount mounts[] = {
        {"Labelled", "/dev/sdz1", "My\\x20Disk"},   {"Stacked", "/dev/sdz2", "Beneath"},
        {"Stacked", "/dev/sdz3", "\\xc3\\x84rger"}, {"Unlabelled", "/dev/sdz4", nullptr},
        {"NoDevice", top + "device", "Outside"},
    };
    for (const auto& [at, source, label] : mounts) {
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
