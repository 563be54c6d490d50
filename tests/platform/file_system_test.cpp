#include "platform/os/file_system.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>
#include <tuple>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>

#include <gtest/gtest.h>

#include "naming/next_name.h"
#include "naming/portrait_names.h"
#include "platform/os/mounted_volumes.h"
#include "support/mount.h"
#include "support/sandbox.h"
#include "support/system_call_faults.h"

namespace {

using platform::PosixFileSystem;
using testsupport::PortraitSandbox;

// Makes each entry in the sandbox: "name/" a directory, "name>target" a symbolic link to target (which
// need not exist), anything else a file.
void addEntries(PortraitSandbox& sandbox, const QStringList& entries)
{
    for (const QString& entry : entries) {
        const QStringList sides = entry.split(QLatin1Char('>'));
        if (sides.size() == 2) {
            EXPECT_TRUE(QFile::link(sandbox.filePath(sides[1]), sandbox.filePath(sides[0]))) << entry.toStdString();
        } else {
            entry.endsWith(QLatin1Char('/')) ? sandbox.addDirectory(entry) : sandbox.addFile(entry, "x");
        }
    }
}

TEST(FileSystem, ListFilesMatchesThePatternWithCaseIgnored)
{
    // clang-format off
    const std::pair<const char*, bool> rows[] = {
        {"heroL.bmp", true},        {"shoutL.BMP", true},        {"Ärger l.Bmp", true},     {"L.bmp", true},
        {"linkL.bmp>target", true}, {"goneL.bmp>nowhere", true}, {"fooS.bmp", false},       {"xL.bmp.bak", false},
        {".hiddenL.bmp", false},    {"DirL.bmp/", false},        {"dirlinkL.bmp>.", false},
    };
    // clang-format on
    for (const auto& [entry, listed] : rows) {
        SCOPED_TRACE(entry);
        PortraitSandbox sandbox;
        addEntries(sandbox, {"target", entry});
        const QStringList expected =
            listed ? QStringList{QString(entry).section(QLatin1Char('>'), 0, 0)} : QStringList();
        const platform::DirectoryListing listing =
            PosixFileSystem().listFiles(sandbox.path(), QStringLiteral("*L.bmp"));
        EXPECT_TRUE(listing.ok);
        EXPECT_EQ(listing.names, expected);
    }
}

TEST(FileSystem, ListingsComeInListOrder)
{
    // clang-format off
    const std::pair<const char*, QStringList> rows[] = {
        {"case folded, ties by code point", {"A", "a", "B", "b"}},
        {"non-ASCII after ASCII, ties by code point", {"Zebra", "Ärger", "ärger"}},
        {"folded to lower case", {"_x", "Ax"}},
        {"one type's sets together", {"FM01L.bmp", "MM04L.bmp", "mm05L.bmp", "MM06L.bmp", "MM10L.bmp", "MMagicL.bmp"}},
        {"a shorter name first", {"ab", "abc", "Ab\u00e9", "ab\u00e9x"}},
        {"non-ASCII decides after an equal start", {"x\u00c4b", "x\u00e4c", "X\u00c4d"}},
        {"the sign of a capital beyond ASCII", {"\u00c5a", "\u00e5B", "\u00c5c"}},
    };
    // clang-format on
    for (const auto& [name, expected] : rows) {
        SCOPED_TRACE(name);
        PortraitSandbox sandbox;
        addEntries(sandbox, expected);
        EXPECT_EQ(PosixFileSystem().listFiles(sandbox.path(), QStringLiteral("*")).names, expected);
        QStringList sorted(expected.crbegin(), expected.crend()), byLess = sorted;
        platform::sortInListOrder(sorted);
        std::sort(byLess.begin(), byLess.end(), platform::listOrderLess);
        EXPECT_EQ(sorted, expected);
        EXPECT_EQ(byLess, expected);
    }
    // Many names alike in their first letters, against the order's plain definition.
    const QString letters = QStringLiteral("aAbB_[\u00e9\u00c9\u212a");
    std::srand(11);
    QStringList names;
    for (int i = 0; i < 3000; ++i) {
        QString name;
        for (int k = 4 + std::rand() % 8; k > 0; --k)
            name += letters[std::rand() % letters.size()];
        names << name;
    }
    QStringList expected = names;
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
        const int folded = a.toCaseFolded().compare(b.toCaseFolded());
        return folded != 0 ? folded < 0 : a < b;
    });
    platform::sortInListOrder(names);
    EXPECT_EQ(names, expected);
}

TEST(FileSystem, FindFileIgnoringCaseAnswersWithTheStoredSpelling)
{
    // clang-format off
    const std::tuple<const char*, QStringList, QString, QString> rows[] = {
        {"other case", {"mM05S.bmp"}, "MM05S.BMP", "mM05S.bmp"},
        {"exact wins over list order", {"MM05S.BMP", "mM05S.bmp"}, "mM05S.bmp", "mM05S.bmp"},
        {"else first in list order", {"mm05s.bmp", "Mm05S.BMP", "MM05S.bmp"}, "MM05s.Bmp", "MM05S.bmp"},
        {"non-ASCII case", {"ärgerS.bmp"}, "ÄRGERS.BMP", "ärgerS.bmp"},
        {"dangling link", {"goneS.bmp>nowhere"}, "GONES.BMP", "goneS.bmp"},
        {"exact is a directory", {"mM05S.bmp/", "MM05S.BMP"}, "mM05S.bmp", "MM05S.BMP"},
        {"missing but for a directory", {"mM05L.bmp", "MM05S.BMP/"}, "mM05S.bmp", ""},
    };
    // clang-format on
    for (const auto& [name, entries, query, expected] : rows) {
        SCOPED_TRACE(name);
        PortraitSandbox sandbox;
        addEntries(sandbox, entries);
        EXPECT_EQ(PosixFileSystem().findFileIgnoringCase(sandbox.path(), query), expected);
    }
}

TEST(FileSystem, SmallPartnersAreFoundInAnyLetterCaseButNeverShared)
{
    using Partners = QHash<QString, QString>;
    // clang-format off
    const std::tuple<const char*, QStringList, Partners> rows[] = {
        {"stored in another case", {"MM05L.bmp", "mm05s.BMP"}, {{"MM05L.bmp", "mm05s.BMP"}}},
        {"as this program writes it", {"FP01L.bmp", "fP01S.bmp", "MM05L.bmp", "mM05S.bmp"}, {{"FP01L.bmp", "fP01S.bmp"}, {"MM05L.bmp", "mM05S.bmp"}}},
        {"capital I in any locale", {"irisL.bmp", "IrisS.bmp"}, {{"irisL.bmp", "IrisS.bmp"}}},
        {"the exact spelling wins", {"ABL.bmp", "aBS.bmp", "ABS.bmp"}, {{"ABL.bmp", "ABS.bmp"}}},
        {"another set's partner is kept", {"ABL.bmp", "abL.bmp", "abS.bmp"}, {{"abL.bmp", "abS.bmp"}}},
        {"one each", {"ABL.bmp", "abL.bmp", "abS.bmp", "ABs.bmp"}, {{"ABL.bmp", "ABs.bmp"}, {"abL.bmp", "abS.bmp"}}},
        {"a directory is none", {"MM05L.bmp", "MM05S.bmp/"}, {}},
    };
    // clang-format on
    for (const auto& [name, entries, expected] : rows) {
        SCOPED_TRACE(name);
        PortraitSandbox sandbox;
        addEntries(sandbox, entries);
        const PosixFileSystem fs;
        const QStringList listed = fs.listFiles(sandbox.path(), QStringLiteral("*L.bmp")).names;
        EXPECT_EQ(fs.findSmallPartners(sandbox.path(), listed, listed), expected);
    }
}

// A partner another program creates, renames or removes between two look-ups is seen at the second,
// on a disk that keeps exact directory times (where a set without partner is answered without reading
// the directory again) and on FAT, whose times through fusefat stand still.
TEST(FileSystem, SmallPartnersFollowAnotherProgramBetweenTwoLookUps)
{
    RUN_WHERE_MOUNTING_WORKS();
    struct Row {
        const char* name;
        QStringList before;
        std::function<bool(const QString& directory)> change;
        QString partnerBefore;
        QString partnerAfter;
    };
    const auto renamed = [](const char* from, const char* to) {
        return [from, to](const QString& directory) {
            return ::rename(QFile::encodeName(directory + '/' + from).constData(),
                            QFile::encodeName(directory + '/' + to).constData()) == 0;
        };
    };
    const auto created = [](const char* name) {
        return [name](const QString& directory) { return QFile(directory + '/' + name).open(QIODevice::WriteOnly); };
    };
    const auto removed = [](const char* name) {
        return [name](const QString& directory) { return QFile::remove(directory + '/' + name); };
    };
    const std::vector<Row> rows = {
        {"created", {"MM05L.bmp"}, created("mM05S.bmp"), "", "mM05S.bmp"},
        {"created in a spelling of its own", {"MM05L.bmp"}, created("Mm05s.BMP"), "", "Mm05s.BMP"},
        {"removed", {"MM05L.bmp", "mM05S.bmp"}, removed("mM05S.bmp"), "mM05S.bmp", ""},
        {"renamed away", {"MM05L.bmp", "mM05S.bmp"}, renamed("mM05S.bmp", "xS.bmp"), "mM05S.bmp", ""},
        {"renamed in", {"MM05L.bmp", "xS.bmp"}, renamed("xS.bmp", "mm05s.bmp"), "", "mm05s.bmp"},
    };
    struct Place {
        const char* name;
        std::optional<testsupport::VolumeKind> volume; // none: the temporary directory's own disk
        bool keepsTimes;
    };
    const Place places[] = {{"temporary directory", std::nullopt, true},
                            {"tmpfs", testsupport::VolumeKind::Tmpfs, true},
                            {"FAT through fusefat", testsupport::VolumeKind::Fat, false}};
    QStringList skipped;
    for (const auto& [placeName, kind, keepsTimes] : places) {
        SCOPED_TRACE(placeName);
        PortraitSandbox sandbox;
        std::optional<testsupport::TestVolume> volume;
        if (kind) {
            volume.emplace(*kind);
            if (!volume->mounted()) {
                skipped << QStringLiteral("%1: %2").arg(placeName, volume->skipReason());
                continue;
            }
        }
        const QString root = volume ? volume->path() : sandbox.path();
        for (const Row& row : rows) {
            ASSERT_TRUE(QDir(root).mkdir(row.name));
            for (const QString& name : row.before)
                ASSERT_TRUE(QFile(root + '/' + row.name + '/' + name).open(QIODevice::WriteOnly));
        }
        // Only a directory that has stood still for a moment is trusted to show its next change.
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            const QString directory = root + '/' + row.name;
            testsupport::SystemCallFaults calls;
            const PosixFileSystem fs(&calls);
            const QStringList listed = fs.listFiles(directory, QStringLiteral("*L.bmp")).names;
            const int readsBefore = calls.count(platform::SystemCall::OpenDirectory);
            EXPECT_EQ(fs.findSmallPartners(directory, listed, listed).value("MM05L.bmp"), row.partnerBefore);
            if (keepsTimes) {
                EXPECT_EQ(calls.count(platform::SystemCall::OpenDirectory), readsBefore);
            }
            ASSERT_TRUE(row.change(directory));
            EXPECT_EQ(fs.findSmallPartners(directory, listed, listed).value("MM05L.bmp"), row.partnerAfter);
            // Changed a moment ago, it could change again within the same tick of its clock, unseen.
            const int readsAfter = calls.count(platform::SystemCall::OpenDirectory);
            if (keepsTimes && row.partnerAfter.isEmpty()) {
                fs.findSmallPartners(directory, listed, listed);
                EXPECT_EQ(calls.count(platform::SystemCall::OpenDirectory), readsAfter + 1);
            }
        }
    }
    if (!skipped.isEmpty())
        GTEST_SKIP() << skipped.join(QStringLiteral("; ")).toStdString();
}

// Whatever character a stem begins with, the small name written for it pairs with its large name.
TEST(FileSystem, TheSmallNameWrittenIsFoundForEveryFirstCharacter)
{
    QStringList unpaired;
    for (char32_t c = 1; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::u32string stem = std::u32string(1, c) + U"x";
        const QString large = QString::fromStdU32String(naming::userLargeFileName(stem));
        const QString partner = QString::fromStdU32String(naming::smallPartnerOfEntry(large.toStdU32String()));
        const QString written = QString::fromStdU32String(naming::userSmallFileName(stem, platform::smallNameLetter));
        if (!platform::sameNameIgnoringCase(partner, written))
            unpaired << QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0'));
    }
    EXPECT_EQ(unpaired, QStringList());
    // And on disk, for the character that once split a set.
    PortraitSandbox sandbox;
    addEntries(sandbox, {QStringLiteral("\u0130xL.bmp"), QStringLiteral("\u0130xS.bmp")});
    EXPECT_EQ(PosixFileSystem()
                  .findSmallPartners(sandbox.path(), {QStringLiteral("\u0130xL.bmp")}, {QStringLiteral("\u0130xL.bmp")})
                  .value(QStringLiteral("\u0130xL.bmp")),
              QStringLiteral("\u0130xS.bmp"));
}

// The allocation reads only the run of destination entries that begin with the type's letters; over
// lists of names that differ in letter case, numbering and gaps, that run gives what the whole list gives.
TEST(FileSystem, TheRunOfATypeAllocatesAsTheWholeListDoes)
{
    const QStringList heads = {"MM", "Mm", "mM", "mm", "MP", "mp", "FM", "fR", "M", "M\u00e4", ""};
    const QStringList tails = {"01", "02", "03", "05", "00", "0x", "1", "99", "agic", "10"};
    std::srand(7);
    int checked = 0;
    for (int round = 0; round < 400; ++round) {
        QStringList listed;
        for (int n = std::rand() % 12; n > 0; --n)
            listed << heads[std::rand() % heads.size()] + tails[std::rand() % tails.size()] + "L.bmp";
        listed.removeDuplicates();
        platform::sortInListOrder(listed);
        std::vector<std::u32string> whole;
        for (const QString& name : listed)
            whole.push_back(name.toStdU32String());
        for (int gender = 0; gender <= 2; ++gender) {
            for (int type = 0; type <= 4; ++type) {
                const QString prefix = QString::fromStdU32String(naming::typePrefix(gender, type));
                const auto [first, last] = platform::listRangeBeginningWith(listed, prefix);
                for (qsizetype i = 0; i < listed.size(); ++i)
                    ASSERT_EQ(i >= first && i < last, listed[i].startsWith(prefix, Qt::CaseInsensitive))
                        << listed.join(' ').toStdString() << " / " << prefix.toStdString();
                const std::vector<std::u32string> run(whole.begin() + first, whole.begin() + last);
                const naming::NextName fromWhole = naming::allocateNextName(gender, type, whole);
                const naming::NextName fromRun = naming::allocateNextName(gender, type, run);
                ASSERT_EQ(fromRun.nextNumber, fromWhole.nextNumber) << listed.join(' ').toStdString();
                ASSERT_EQ(fromRun.targetLargeName, fromWhole.targetLargeName);
                checked += fromWhole.nextNumber > 1;
            }
        }
    }
    EXPECT_GT(checked, 400); // most rounds found sets of the type
}

TEST(FileSystem, NameThatIsNotUtf8IsSkipped)
{
    PortraitSandbox sandbox;
    // Latin-1 "ä" alone is no UTF-8; decoded, it would pass for the valid name holding U+FFFD added below.
    const QByteArray raw = QFile::encodeName(sandbox.path()) + "/bad\xe4L.bmp";
    ASSERT_TRUE(std::ofstream(raw.constData())) << "cannot create a file whose name is not UTF-8";
    const QString replaced = QStringLiteral("bad\uFFFDL.bmp");
    EXPECT_EQ(PosixFileSystem().listFiles(sandbox.path(), QStringLiteral("*")).names, QStringList());
    EXPECT_EQ(PosixFileSystem().findFileIgnoringCase(sandbox.path(), replaced), QString());
    sandbox.addFile(replaced, "x");
    EXPECT_EQ(PosixFileSystem().listFiles(sandbox.path(), QStringLiteral("*")).names, QStringList{replaced});
}

TEST(FileSystem, MissingDirectoryGivesAReason)
{
    const QString missing = QStringLiteral("/nonexistent/portraits");
    const PosixFileSystem fs;
    const platform::DirectoryListing files = fs.listFiles(missing, QStringLiteral("*")),
                                     dirs = fs.listDirectories(missing);
    EXPECT_TRUE(!files.ok && !dirs.ok);
    EXPECT_FALSE(files.reason.isEmpty() || dirs.reason.isEmpty());
}

TEST(FileSystem, ListDirectoriesLeavesOutHiddenOnesAndFilesInListOrder)
{
    PortraitSandbox sandbox;
    addEntries(sandbox, {"b/", "C/", "a/", ".hidden/", "file", "linked>b", "filelink>file", "dangling>nowhere"});
    EXPECT_EQ(PosixFileSystem().listDirectories(sandbox.path()).names, (QStringList{"a", "b", "C", "linked"}));
}

QStringList described(const QList<platform::MountedFileSystem>& mounts)
{
    QStringList lines;
    for (const platform::MountedFileSystem& mount : mounts)
        lines << mount.rootPath + QLatin1Char('|') + mount.type + QLatin1Char('|') + mount.device;
    return lines;
}

TEST(MountedVolumes, MountinfoGivesOneCandidatePerRoot)
{
    // As the kernel writes them: id parent major:minor root mount-point options [optional...] - type source options
    // clang-format off
    const std::tuple<const char*, QByteArray, QStringList> rows[] = {
        {"escaped space, tab and backslash",
         "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
         "30 22 8:17 / /media/My\\040Disk\\011x\\134y rw shared:5 - vfat /dev/sd\\040b rw\n",
         {"/|ext4|/dev/sda1", "/media/My Disk\tx\\y|vfat|/dev/sd b"}},
        {"the last mount on a root hides the others",
         "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
         "31 22 0:40 / /mnt rw - tmpfs tmpfs rw\n"
         "32 22 0:42 / /tmp rw - tmpfs tmpfs rw\n"
         "33 31 0:41 / /mnt rw master:1 shared:7 - fuse.fusefat fusefat rw\n",
         {"/|ext4|/dev/sda1", "/mnt|fuse.fusefat|fusefat", "/tmp|tmpfs|tmpfs"}},
        {"a chroot with no mount at /", "40 39 0:50 /srv /data rw - tmpfs tmpfs rw\n", {"/||", "/data|tmpfs|tmpfs"}},
        {"no table at all", "", {"/||"}},
        {"kernel mounts left out, their look-alikes kept",
         "1 0 0:1 / / rw - rootfs rootfs rw\n"
         "2 1 0:2 / /proc rw - proc proc rw\n"
         "3 1 0:3 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
         "4 1 0:4 / /dev/shm rw - tmpfs tmpfs rw\n"
         "5 1 0:5 / /var/run/user rw - tmpfs tmpfs rw\n"
         "6 1 0:6 / /var/lock rw - tmpfs tmpfs rw\n"
         "7 1 0:7 / /run rw - tmpfs tmpfs rw\n"
         "8 1 0:8 / /devices rw - tmpfs tmpfs rw\n"
         "9 1 0:9 / /var/running rw - tmpfs tmpfs rw\n",
         {"/||", "/run|tmpfs|tmpfs", "/devices|tmpfs|tmpfs", "/var/running|tmpfs|tmpfs"}},
        {"a line cut short or without its separator, a mount point that is no UTF-8",
         "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
         "23 22 8:2 / /cut rw -\n"
         "25 22 8:4 / /nosep rw shared:1 ext4 /dev/sdc rw\n"
         "24 22 8:3 / /bad\xe4 rw - ext4 /dev/sdb rw\n",
         {"/|ext4|/dev/sda1"}},
    };
    // clang-format on
    for (const auto& [name, mountinfo, expected] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(described(platform::volumeCandidates(mountinfo)), expected);
    }
}

// Roots and labels, left out what the tests running beside this one mount and unmount in the temporary directory.
QStringList lasting(const QList<platform::Volume>& volumes)
{
    QStringList lines;
    for (const platform::Volume& volume : volumes) {
        if (!volume.rootPath.startsWith(QDir::tempPath() + QLatin1Char('/')))
            lines << volume.rootPath + QLatin1Char('|') + volume.label;
    }
    return lines;
}

TEST(MountedVolumes, OffersTheVolumesQtOffers)
{
    // Qt's list, where the last mount on a root hides the others and only ready ones count.
    QList<platform::Volume> qt;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady())
            continue;
        qt.erase(std::remove_if(qt.begin(), qt.end(),
                                [&](const platform::Volume& v) { return v.rootPath == storage.rootPath(); }),
                 qt.end());
        qt.append({storage.rootPath(), storage.name()});
    }
    // In a chroot no mount may stand at "/"; the list offers it all the same.
    if (std::none_of(qt.cbegin(), qt.cend(), [](const platform::Volume& v) { return v.rootPath == "/"; }))
        qt.append({QStringLiteral("/"), QString()});
    std::sort(qt.begin(), qt.end(),
              [](const auto& a, const auto& b) { return platform::listOrderLess(a.rootPath, b.rootPath); });
    EXPECT_EQ(lasting(platform::mountedVolumes(std::chrono::seconds(5))), lasting(qt));
}

// A volume of `kind` beside a tmpfs is listed while it answers; once its daemon is stopped, as a hung file
// server would be, it is left out, and the list comes back in about the patience with the rest in it.
void listedThenLeftOutWhenHung(testsupport::VolumeKind kind)
{
    const testsupport::TestVolume other(testsupport::VolumeKind::Tmpfs);
    testsupport::TestVolume volume(kind);
    SKIP_UNLESS_MOUNTED(other);
    SKIP_UNLESS_MOUNTED(volume);
    constexpr std::chrono::milliseconds patience(500);
    const auto roots = [patience] {
        QStringList listed;
        for (const platform::Volume& listedVolume : platform::mountedVolumes(patience))
            listed << listedVolume.rootPath;
        return listed;
    };
    const QStringList answering = roots();
    EXPECT_TRUE(answering.contains(QStringLiteral("/")) && answering.contains(other.path()) &&
                answering.contains(volume.path()))
        << answering.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(std::is_sorted(answering.cbegin(), answering.cend(), platform::listOrderLess));
    if (volume.daemon() < 0)
        return; // nothing serves a tmpfs that could hang

    ASSERT_TRUE(volume.stopDaemon());
    const auto start = std::chrono::steady_clock::now();
    const QStringList hung = roots();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(hung.contains(volume.path()));
    EXPECT_TRUE(hung.contains(QStringLiteral("/")) && hung.contains(other.path()))
        << hung.join(QLatin1Char(' ')).toStdString();
    EXPECT_GE(waited, patience);
    EXPECT_LT(waited, 5 * patience);
}

TEST(MountedVolumes, AnOrdinaryUserRunsTheMountingTestsInANamespaceOfItsOwn)
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        GTEST_SKIP() << "needs root and setpriv to act as another user";
    if (const QString closed = testsupport::closedToOtherUsers(); !closed.isEmpty())
        GTEST_SKIP() << closed.toStdString();
    const QStringList nobody{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                             QStringLiteral("--clear-groups")};
    QProcess run;
    run.start(QStringLiteral("setpriv"),
              nobody + QStringList{QStringLiteral("unshare"), QStringLiteral("-rm"), QStringLiteral("true")});
    if (!run.waitForFinished(10000) || run.exitCode() != 0)
        GTEST_SKIP() << "an ordinary user may not make a user namespace here";
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral("setpriv"),
              nobody + QStringList{QFile::symLinkTarget(QStringLiteral("/proc/self/exe")),
                                   QStringLiteral("--gtest_filter=MountedVolumes.ATmpfsIsListed")});
    ASSERT_TRUE(run.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(run.readAll());
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("-- the test again in `unshare -rm`")) &&
                output.contains(QStringLiteral("[       OK ] MountedVolumes.ATmpfsIsListed")))
        << QString(output).replace(QStringLiteral("[  SKIPPED ]"), QStringLiteral("[ skipped ]")).toStdString();
}

TEST(MountedVolumes, ATmpfsIsListed)
{
    RUN_WHERE_MOUNTING_WORKS();
    listedThenLeftOutWhenHung(testsupport::VolumeKind::Tmpfs);
}

TEST(MountedVolumes, AFatVolumeIsListedUntilItsDaemonHangs)
{
    RUN_WHERE_MOUNTING_WORKS();
    listedThenLeftOutWhenHung(testsupport::VolumeKind::Fat);
}

TEST(MountedVolumes, AnNtfsVolumeIsListedUntilItsDaemonHangs)
{
    RUN_WHERE_MOUNTING_WORKS();
    listedThenLeftOutWhenHung(testsupport::VolumeKind::Ntfs);
}

} // namespace
