#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "platform/os/posix_file_system.h"
#include "support/mount.h"
#include "support/sandbox.h"
#include "support/system_call_faults.h"

namespace {

using Call = platform::SystemCall;
using Faults = testsupport::SystemCallFaults;
using platform::FileIdentity;
using platform::FsResult;
using platform::PosixFileSystem;
using testsupport::VolumeKind;

// Several buffers long, so that a copy makes more than one write.
const QByteArray Original = [] {
    QByteArray bytes(200 * 1024, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xff);
    return bytes;
}();
const QDir::Filters Everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

const auto text = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };
const auto path = [](const QString& name) { return QFile::encodeName(name); };

// Where the target directory is: beside the source, across file systems, on a full or a read-only one, or on
// one of the volumes users keep portraits on.
enum class Place { Disk, Tmpfs, Full, ReadOnly, Fat, Ntfs, Exfat, Passthrough, Btrfs, Xfs, Squashfs };
// The ways a file system may lack the calls the writes prefer; each sends them down another path.
enum class Way { Every, Anonymous, NoProc, Named, NoRenameat2, NoLink };

VolumeKind volumeAt(Place place)
{
    switch (place) {
    case Place::Fat:
        return VolumeKind::Fat;
    case Place::Ntfs:
        return VolumeKind::Ntfs;
    case Place::Exfat:
        return VolumeKind::Exfat;
    case Place::Passthrough:
        return VolumeKind::Passthrough;
    case Place::Btrfs:
        return VolumeKind::Btrfs;
    case Place::Xfs:
        return VolumeKind::Xfs;
    case Place::Squashfs:
        return VolumeKind::Squashfs;
    default:
        return VolumeKind::Tmpfs;
    }
}

// "s" holds MM05L.bmp (the original) and "t" is the target directory; each holds a bystander nothing may touch.
// A squashfs target is sealed when made: it holds its bystander and the original from then on.
class Scene {
public:
    explicit Scene(Place place) : sealed_(place == Place::Squashfs)
    {
        if (sealed_) {
            t_.addFile("theirs", "theirs");
            t_.addFile("MM05L.bmp", Original);
        }
        if (place != Place::Disk)
            volume_.emplace(volumeAt(place), testsupport::VolumeSetup{place == Place::Full ? 64 << 10 : 32 << 20,
                                                                      sealed_ ? t_.path() : QString(), 0});
        if (!skipReason().isEmpty())
            return;
        reset();
        // A read-only target is made so once its bystander is in.
        EXPECT_TRUE(place != Place::ReadOnly ||
                    ::mount(nullptr, path(dir('t')).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
    }
    QString skipReason() const { return volume_ ? volume_->skipReason() : QString(); }
    QString dir(QChar side) const { return side == 's' ? s_.path() : volume_ ? volume_->path() : t_.path(); }
    // "s/NAME" or "t/NAME".
    QString at(const QString& name) const { return dir(name[0]) + name.mid(1); }
    void add(const QString& name, const QByteArray& bytes, QIODevice::OpenMode mode = QIODevice::NewOnly) const
    {
        QFile file(at(name));
        ASSERT_TRUE(file.open(mode) && file.write(bytes) == bytes.size()) << qPrintable(name);
    }
    void reset() const
    {
        for (const QChar side : QString(sealed_ ? "s" : "st")) {
            for (const QString& name : QDir(dir(side)).entryList(Everything))
                QFile::remove(dir(side) + '/' + name);
            add(side + QStringLiteral("/theirs"), "theirs");
        }
        add("s/MM05L.bmp", Original);
    }
    // Another program at work: the source grows, is rewritten in place or replaced, or the target name is taken.
    void edit() const { add("s/MM05L.bmp", "+", QIODevice::Append); }
    void rewrite() const { add("s/MM05L.bmp", "~", QIODevice::ReadWrite); }
    void replace() const
    {
        add("s/new", "new");
        ASSERT_EQ(::rename(path(at("s/new")).constData(), path(at("s/MM05L.bmp")).constData()), 0);
    }
    void take() const { add("t/MM01L.bmp", "taken"); }
    // Another file of the same bytes and times in its place, as a sync tool leaves it.
    void twin() const
    {
        struct stat st {};
        ASSERT_EQ(::stat(path(at("s/MM05L.bmp")).constData(), &st), 0);
        add("s/twin", Original);
        const struct timespec times[] = {st.st_atim, st.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, path(at("s/twin")).constData(), times, 0), 0);
        ASSERT_EQ(::rename(path(at("s/twin")).constData(), path(at("s/MM05L.bmp")).constData()), 0);
    }
    // The original, as a write of ours would know it.
    FileIdentity ours() const
    {
        PosixFileSystem fs;
        EXPECT_TRUE(fs.moveFile(at("s/MM05L.bmp"), at("s/x"), {}).ok);
        return fs.moveFile(at("s/x"), at("s/MM05L.bmp"), {}).written;
    }
    // Both directories, an intact bystander left out, the original's bytes as <o>, hidden names' chance part as X.
    QString described() const
    {
        QStringList sides;
        for (const QChar side : {'s', 't'}) {
            sides << QString(side) + ':';
            QStringList names = QDir(dir(side)).entryList(Everything, QDir::Unsorted);
            names.sort(); // by code point, in every locale
            for (const QString& name : names) {
                QFile file(dir(side) + '/' + name);
                const QByteArray bytes =
                    QFileInfo(file).isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : "?";
                if (name == "theirs" && bytes == "theirs")
                    continue;
                sides.last() += ' ' + name;
                if (bytes != Original)
                    sides.last() += '=' + (bytes.startsWith(Original) ? "<o>" + bytes.mid(Original.size())
                                           : bytes.size() > 32        ? QByteArray("<part>")
                                                                      : bytes);
            }
        }
        return sides.join(" | ").replace(QRegularExpression("(ostrel-[a-z]+-)[a-z0-9]{6}"), "\\1X");
    }
    // "copy" and "move" file s/MM05L.bmp as t/MM01L.bmp; "OPERATION FROM [TO]" names the files. Gives the
    // result, and its outcome as one line: the reason or "ok", and what else the result tells.
    std::pair<FsResult, QString> run(const QString& operation, const FileIdentity& expected, Faults& faults) const
    {
        QStringList words = operation.split(' ');
        if (words.size() == 1)
            words += QStringList{"s/MM05L.bmp", "t/MM01L.bmp"};
        PosixFileSystem fs(&faults);
        const FsResult result = words[0] == "copy"   ? fs.copyFile(at(words[1]), at(words[2]))
                                : words[0] == "move" ? fs.moveFile(at(words[1]), at(words[2]), expected)
                                                     : fs.removeFile(at(words[1]), expected);
        struct stat st {};
        const bool atTarget = words.size() > 2 && ::lstat(path(at(words[2])).constData(), &st) == 0 &&
                              st.st_ino == result.written.inode && quint64(st.st_dev) == result.written.device;
        QString line = result.ok ? QStringLiteral("ok") : result.reason;
        if (words.size() > 2 &&
            (result.written.known() != (result.ok || result.copyLeft) || result.written.known() != atTarget))
            line += ", the written file wrong";
        if (result.copyLeft)
            line += ", copy left";
        if (result.replaced)
            line += ", replaced";
        if (!result.strandedAt.isEmpty())
            line += ", at " + QFileInfo(result.strandedAt).fileName().replace(QRegularExpression("[a-z0-9]{6}$"), "X");
        return {result, line};
    }

private:
    bool sealed_;
    testsupport::PortraitSandbox s_;
    testsupport::PortraitSandbox t_;
    std::optional<testsupport::TestVolume> volume_;
};

void lack(Way way, Faults& faults, const QString& targetDirectory)
{
    if (way == Way::NoProc)
        faults.lack(Call::Linkat, ENOENT);
    if (way >= Way::Named)
        faults.lack(Call::Open, EOPNOTSUPP, path(targetDirectory)); // O_TMPFILE opens the directory
    if (way >= Way::NoRenameat2)
        faults.lack(Call::Renameat2, EINVAL);
    for (const Call call : {Call::Link, Call::Linkat})
        if (way >= Way::NoLink)
            faults.lack(call, EPERM);
}
const Way Ways[] = {Way::Anonymous, Way::NoProc, Way::Named, Way::NoRenameat2, Way::NoLink};

// Sets the faults and races, and the identity the operation expects.
using Arrange = std::function<void(const Scene&, Faults&, FileIdentity&)>;
// What it shows, where, which way, the operation, what comes before it; its outcome, and the directories after.
using Row = std::tuple<QString, Place, Way, const char*, Arrange, QString, QString>;

const QString Kept = "s: MM05L.bmp | t:", Copied = "s: MM05L.bmp | t: MM01L.bmp", Moved = "s: | t: MM01L.bmp";
const QString Taken = "s: MM05L.bmp | t: MM01L.bmp=taken", MovedOut = "s: MM01L.bmp MM05L.bmp | t:";
const QString Sealed = "s: MM05L.bmp | t: MM05L.bmp";
const QString ChangedWhileMoved = "another program changed it while it was copied, so the original was kept";
const QString NotOurs = "another program has put a different file under that name, replaced";

std::vector<Row> rows()
{
    const auto taken = [](const char* name) { return [name](auto& s, auto&, auto&) { s.add(name, "taken"); }; };
    const auto race = [](Call call, int nth, void (Scene::*act)() const, bool onTarget = false) {
        return [=](auto& s, auto& f, auto&) {
            f.actBefore(
                call, nth, [&s, act] { (s.*act)(); }, onTarget ? path(s.dir('t')) : QByteArray());
        };
    };
    // s/link leads to s/MM05L.bmp: by `relative`, or by its full path when that is empty.
    const auto link = [](const char* relative) {
        return [relative](auto& s, auto&, auto&) {
            const QByteArray target = *relative != '\0' ? QByteArray(relative) : path(s.at("s/MM05L.bmp"));
            EXPECT_EQ(::symlink(target.constData(), path(s.at("s/link")).constData()), 0);
        };
    };
    const QString exists = text(EEXIST);
    // clang-format off
    std::vector<Row> rows = {
        {"a copy", Place::Disk, Way::Every, "copy", nullptr, "ok", Copied},
        {"a move", Place::Disk, Way::Every, "move", nullptr, "ok", Moved},
        {"a move across file systems", Place::Tmpfs, Way::Every, "move", nullptr, "ok", Moved},
        {"a copy onto a taken name", Place::Disk, Way::Every, "copy", taken("t/MM01L.bmp"), exists, Taken},
        {"a move onto a taken name", Place::Disk, Way::Every, "move", taken("t/MM01L.bmp"), exists, Taken},
        {"removing what is not there", Place::Disk, Way::Anonymous, "remove s/nobody", nullptr, text(ENOENT), Kept},
        {"a FIFO is no file to copy", Place::Disk, Way::Anonymous, "copy s/fifo t/fifo", [](auto& s, auto&, auto&) { EXPECT_EQ(::mkfifo(path(s.at("s/fifo")).constData(), 0600), 0); }, "it is not a regular file", "s: MM05L.bmp fifo=? | t:"},
        {"a full disk", Place::Full, Way::Every, "copy", nullptr, text(ENOSPC), Kept},
        {"a full disk across", Place::Full, Way::Every, "move", nullptr, text(ENOSPC), Kept},
        {"a read-only volume", Place::ReadOnly, Way::Every, "copy", nullptr, text(EROFS), Kept},
        {"a hidden name another copy holds is passed over", Place::Disk, Way::Named, "copy", [](auto&, auto& f, auto&) { f.fail(Call::Open, 0, EEXIST, "*.ostrel-copying-"); }, "ok", Copied},
        {"the copy's directory cannot be flushed", Place::Tmpfs, Way::Anonymous, "move", [](auto& s, auto& f, auto&) { f.fail(Call::Fsync, 0, EIO, path(s.dir('t'))); }, text(EIO), Kept},
        {"the copy's directory cannot be flushed nor the copy removed", Place::Tmpfs, Way::Anonymous, "move", [](auto& s, auto& f, auto&) { f.fail(Call::Fsync, 0, EIO, path(s.dir('t'))); f.fail(Call::Unlink, 0, EACCES); }, text(EIO) + ", and the copy could not be removed: " + text(EACCES) + ", copy left", Copied},
        {"the original cannot go", Place::Tmpfs, Way::Anonymous, "move", [](auto&, auto& f, auto&) { f.fail(Call::Unlink, 0, EACCES); }, text(EACCES), Kept},
        // Another program at work meanwhile: during the copy, after the copy got its name (the directory is
        // flushed next) before the source goes, or on the target name just before the copy would get it.
        {"edited while copied", Place::Disk, Way::Every, "copy", race(Call::Fsync, 0, &Scene::edit), "the file changed while it was copied", "s: MM05L.bmp=<o>+ | t:"},
        {"edited while moved across", Place::Tmpfs, Way::Every, "move", race(Call::Write, 1, &Scene::edit), "the file changed while it was copied", "s: MM05L.bmp=<o>+ | t:"},
        {"replaced before the source goes", Place::Tmpfs, Way::Every, "move", race(Call::Fsync, 0, &Scene::replace, true), ChangedWhileMoved + ", copy left", "s: MM05L.bmp=new | t: MM01L.bmp"},
        {"rewritten before the source goes", Place::Tmpfs, Way::Every, "move", race(Call::Fsync, 0, &Scene::rewrite, true), ChangedWhileMoved + ", copy left", "s: MM05L.bmp=<part> | t: MM01L.bmp"},
        {"the target taken before the copy is named", Place::Disk, Way::Every, "copy", race(Call::Fsync, 0, &Scene::take), exists, Taken},
        {"the target taken before the move", Place::Disk, Way::Every, "move", race(Call::Renameat2, 0, &Scene::take), exists, Taken},
        // Stepping aside before it goes, the original is edited and its name taken: it stays aside, beside the copy.
        {"an original that cannot go back", Place::Tmpfs, Way::Anonymous, "move", [](const Scene& s, Faults& f, auto&) { f.actBefore(Call::Renameat2, 0, [&s, &f] { s.edit(); f.actBefore(Call::Renameat2, 0, [&s] { s.add("s/MM05L.bmp", "taken"); }); }, "*.ostrel-moving-"); }, ChangedWhileMoved + ", copy left, at .MM05L.bmp.ostrel-moving-X", "s: .MM05L.bmp.ostrel-moving-X=<o>+ MM05L.bmp=taken | t: MM01L.bmp"},
        // Another file just like it, put in its place as it steps aside: another program's, so it stays.
        {"replaced by a twin as it steps aside", Place::Tmpfs, Way::Anonymous, "move", [](auto& s, auto& f, auto&) { f.actBefore(Call::Renameat2, 0, [&s] { s.twin(); }, "*.ostrel-moving-"); }, ChangedWhileMoved + ", copy left", Copied},
        // A change of letter case where the other spelling is the same file, as a case-blind volume shows it,
        // that can be neither done nor undone (the way back from the hidden name fails).
        {"a change of case stranded", Place::Disk, Way::Anonymous, "move s/MM05L.bmp s/mm05l.bmp", [](auto& s, auto& f, auto&) { EXPECT_EQ(::link(path(s.at("s/MM05L.bmp")).constData(), path(s.at("s/mm05l.bmp")).constData()), 0); f.fail(Call::Renameat2, 3, EIO); }, exists + ", at .mm05l.bmp.ostrel-renaming-X", "s: .mm05l.bmp.ostrel-renaming-X mm05l.bmp | t:"},
        {"a change of case that cannot step aside", Place::Disk, Way::Anonymous, "move s/MM05L.bmp s/mm05l.bmp", [](auto& s, auto& f, auto&) { EXPECT_EQ(::link(path(s.at("s/MM05L.bmp")).constData(), path(s.at("s/mm05l.bmp")).constData()), 0); f.fail(Call::Renameat2, 1, EIO); }, text(EIO), "s: MM05L.bmp mm05l.bmp | t:"},
        // Taking back acts only on the file it wrote, though a sync tool changed its mode meanwhile.
        {"removing our own file", Place::Disk, Way::Anonymous, "remove s/MM05L.bmp", [](auto& s, auto&, auto& expected) { expected = s.ours(); ::chmod(path(s.at("s/MM05L.bmp")).constData(), 0600); }, "ok", "s: | t:"},
        {"removing a file put in place of ours", Place::Disk, Way::Anonymous, "remove s/MM05L.bmp", [](auto& s, auto&, auto& expected) { expected = s.ours(); s.replace(); }, NotOurs, "s: MM05L.bmp=new | t:"},
        {"moving a file put in place of ours", Place::Disk, Way::Anonymous, "move", [](auto& s, auto&, auto& expected) { expected = s.ours(); s.replace(); }, NotOurs, "s: MM05L.bmp=new | t:"},
        {"removing ours that another program removed", Place::Disk, Way::Anonymous, "remove s/MM05L.bmp", [](auto& s, auto&, auto& expected) { expected = s.ours(); QFile::remove(s.at("s/MM05L.bmp")); }, text(ENOENT) + ", replaced", "s: | t:"},
        // A set of links moved into another directory still leads to its pictures: a relative link is made anew.
        {"a relative link moved", Place::Disk, Way::Anonymous, "move s/link t/MM01L.bmp", link("MM05L.bmp"), "ok", "s: MM05L.bmp | t: MM01L.bmp"},
        {"a relative link through a linked directory moved", Place::Disk, Way::Anonymous, "move s/link t/MM01L.bmp", [](auto& s, auto&, auto&) { EXPECT_TRUE(QFile::link(s.dir('t'), s.at("s/up"))); EXPECT_TRUE(QFile::link("up/../" + QFileInfo(s.dir('s')).fileName() + "/MM05L.bmp", s.at("s/link"))); }, "ok", "s: MM05L.bmp up=? | t: MM01L.bmp"},
        {"an absolute link moved", Place::Disk, Way::Anonymous, "move s/link t/MM01L.bmp", link(""), "ok", "s: MM05L.bmp | t: MM01L.bmp"},
        {"a relative link moved across", Place::Tmpfs, Way::Anonymous, "move s/link t/MM01L.bmp", link("MM05L.bmp"), "ok", "s: MM05L.bmp | t: MM01L.bmp"},
        {"a relative link that cannot leave", Place::Disk, Way::Anonymous, "move s/link t/MM01L.bmp", [=](auto& s, auto& f, auto& e) { link("MM05L.bmp")(s, f, e); f.fail(Call::Unlink, 0, EACCES, "/link"); }, text(EACCES), "s: MM05L.bmp link | t:"},
        {"a relative link that can neither leave nor go back", Place::Disk, Way::Anonymous, "move s/link t/MM01L.bmp", [=](auto& s, auto& f, auto& e) { link("MM05L.bmp")(s, f, e); f.lack(Call::Unlink, EACCES); }, text(EACCES) + ", copy left", "s: MM05L.bmp link | t: MM01L.bmp"},
        {"a relative link onto a taken name", Place::Disk, Way::Anonymous, "move s/link t/MM01L.bmp", [=](auto& s, auto& f, auto& e) { link("MM05L.bmp")(s, f, e); s.take(); }, exists, "s: MM05L.bmp link | t: MM01L.bmp=taken"},
        // On the volumes users keep portraits on, with the calls each lacks.
        {"onto a FAT name taken in another case", Place::Fat, Way::Anonymous, "copy", taken("t/mm01l.bmp"), exists, "s: MM05L.bmp | t: mm01l.bmp=taken"},
        // A sealed volume refuses every write and keeps what it holds; what is on it copies out as from anywhere.
        {"a copy into squashfs", Place::Squashfs, Way::Anonymous, "copy", nullptr, text(EROFS), Sealed},
        {"a move across into squashfs", Place::Squashfs, Way::Anonymous, "move", nullptr, text(EROFS), Sealed},
        {"a move out of squashfs", Place::Squashfs, Way::Anonymous, "move t/MM05L.bmp s/MM01L.bmp", nullptr, text(EROFS), Sealed},
        {"a rename on squashfs", Place::Squashfs, Way::Anonymous, "move t/MM05L.bmp t/MM01L.bmp", nullptr, text(EROFS), Sealed},
        {"a change of case on squashfs", Place::Squashfs, Way::Anonymous, "move t/MM05L.bmp t/mm05l.bmp", nullptr, text(EROFS), Sealed},
        {"removing from squashfs", Place::Squashfs, Way::Anonymous, "remove t/MM05L.bmp", nullptr, text(EROFS), Sealed},
        {"a copy out of squashfs", Place::Squashfs, Way::Anonymous, "copy t/MM05L.bmp s/MM01L.bmp", nullptr, "ok", "s: MM01L.bmp MM05L.bmp | t: MM05L.bmp"},
    };
    // On the volumes users keep portraits on a file goes in, out, about and away. Through FUSE (exFAT, a network share) a name
    // has a number of its own, and no call renames without replacing.
    const auto onVolume = [](auto& s, auto&, auto&) { s.add("t/MM05L.bmp", Original); };
    const std::pair<const char*, Place> volumes[] = {{"tmpfs", Place::Tmpfs}, {"FAT", Place::Fat}, {"NTFS", Place::Ntfs}, {"exFAT", Place::Exfat}, {"a FUSE share", Place::Passthrough}, {"btrfs", Place::Btrfs}, {"XFS", Place::Xfs}};
    for (const auto& [volume, place] : volumes) {
        rows.push_back({QStringLiteral("a copy into ") + volume, place, Way::Anonymous, "copy", nullptr, "ok", Copied});
        rows.push_back({QStringLiteral("a move across into ") + volume, place, Way::Anonymous, "move", nullptr, "ok", Moved});
        rows.push_back({QStringLiteral("a move out of ") + volume, place, Way::Anonymous, "move t/MM05L.bmp s/MM01L.bmp", onVolume, "ok", MovedOut});
        rows.push_back({QStringLiteral("a rename on ") + volume, place, Way::Anonymous, "move t/MM05L.bmp t/MM01L.bmp", onVolume, "ok", Copied});
        rows.push_back({QStringLiteral("a change of case on ") + volume, place, Way::Anonymous, "move t/MM05L.bmp t/mm05l.bmp", onVolume, "ok", "s: MM05L.bmp | t: mm05l.bmp"});
        rows.push_back({QStringLiteral("removing from ") + volume, place, Way::Anonymous, "remove t/MM05L.bmp", onVolume, "ok", Kept});
    }
    // Renamed there by a link whose old name cannot go: the new name, numbered apart, still goes again.
    rows.push_back({"a rename on a FUSE share whose old name stays", Place::Passthrough, Way::Anonymous, "move t/MM05L.bmp t/MM01L.bmp", [=](auto& s, auto& f, auto& e) { onVolume(s, f, e); f.fail(Call::Unlink, 0, EACCES); }, text(EACCES), "s: MM05L.bmp | t: MM05L.bmp"});
    // The errors that mean a call is not to be had send the writes down the next path; any other is a failure.
    for (const int error : {EINVAL, ENOSYS, EOPNOTSUPP, EPERM, EIO}) {
        const auto lacking = [error](Call call) { return [=](auto& s, auto& f, auto&) { f.lack(call, error, call == Call::Fsync ? path(s.dir('t')) : QByteArray()); }; };
        const bool next = error != EIO, unkept = next && error != EINVAL;
        rows.push_back({"no renameat2", Place::Disk, Way::Anonymous, "move", lacking(Call::Renameat2), next ? "ok" : text(error), next ? Moved : Kept});
        rows.push_back({"no link either", Place::Disk, Way::NoRenameat2, "move", lacking(Call::Link), next ? "ok" : text(error), next ? Moved : Kept});
        rows.push_back({"no directory flush", Place::Tmpfs, Way::Anonymous, "move", lacking(Call::Fsync), next ? "ok" : text(error), next ? Moved : Kept});
        rows.push_back({"no permission bits", Place::Disk, Way::Anonymous, "copy", lacking(Call::Fchmod), unkept ? "ok" : text(error), unkept ? Copied : Kept});
    }
    // clang-format on
    return rows;
}

TEST(NoReplace, EachOperationEndsAsItShould)
{
    RUN_WHERE_MOUNTING_WORKS();
    QStringList skipped;
    for (const auto& [name, place, rowWay, operation, arrange, result, after] : rows())
        for (const Way way : Ways) {
            if (rowWay != Way::Every && rowWay != way)
                continue;
            SCOPED_TRACE(testing::Message() << qPrintable(name) << ", way " << int(way));
            const Scene scene(place);
            if (!scene.skipReason().isEmpty()) {
                skipped << name + QStringLiteral(": ") + scene.skipReason();
                continue;
            }
            Faults faults;
            lack(way, faults, scene.dir('t'));
            FileIdentity expected;
            if (arrange)
                arrange(scene, faults, expected);
            EXPECT_EQ(scene.run(operation, expected, faults).second, result);
            EXPECT_EQ(scene.described(), after);
        }
    if (!skipped.isEmpty())
        GTEST_SKIP() << "the other rows passed; skipped " << skipped.join("; ").toStdString();
}

// Every call failing at its first or second time, with errors real volumes give, on every way and operation:
// nothing else is touched, the original stays whole, no partial file bears the target name, no failure
// passes for success, and nothing is left but, where its removal failed, a hidden file that says what it is.
TEST(NoReplace, EveryFaultOnEveryWayKeepsEveryFileSafe)
{
    RUN_WHERE_MOUNTING_WORKS();
    const std::pair<Place, const char*> operations[] = {
        {Place::Disk, "copy"}, {Place::Disk, "move"}, {Place::Tmpfs, "move"}};
    for (const auto& [place, operation] : operations) {
        const Scene scene(place);
        if (!scene.skipReason().isEmpty())
            GTEST_SKIP() << scene.skipReason().toStdString();
        for (const Way way : Ways)
            for (const Call call : {Call::Open, Call::Write, Call::Fsync, Call::Fchmod, Call::Linkat, Call::Renameat2,
                                    Call::Link, Call::Rename, Call::Unlink})
                for (const int error : {ENOSPC, EIO, EACCES, EROFS, EXDEV, ENOSYS, EINVAL})
                    for (const int nth : {0, 1}) {
                        SCOPED_TRACE(testing::Message() << operation << int(place) << ", way " << int(way) << ", call "
                                                        << int(call) << " #" << nth << ": " << std::strerror(error));
                        scene.reset();
                        Faults faults;
                        lack(way, faults, scene.dir('t'));
                        faults.fail(call, nth, error);
                        const auto [result, line] = scene.run(operation, {}, faults);
                        const bool hit = faults.count(call) > nth;
                        QString after = scene.described();
                        if (hit && call == Call::Unlink)
                            after.remove(QRegularExpression(" \\.MM01L\\.bmp\\.ostrel-copying-X(=<part>)?"));
                        EXPECT_EQ(after, result.ok && QString(operation) == "move" ? Moved
                                         : result.ok || result.copyLeft            ? Copied
                                                                                   : Kept);
                        EXPECT_FALSE(line.contains("wrong"));
                        EXPECT_NE(result.reason.isEmpty(), !result.ok);
                        // Bits the volume cannot keep never fail a copy; any other refusal does.
                        EXPECT_TRUE(!hit || call != Call::Fchmod || result.ok == (error == ENOSYS));
                    }
    }
}

// The operation's process killed before each of its system calls in turn: no file under the target name
// differs from its source, the original is still whole somewhere, and what is left behind is hidden and
// says what it is.
TEST(NoReplace, AKillAtAnyMomentLeavesNoPartialFile)
{
    RUN_WHERE_MOUNTING_WORKS();
    const std::pair<Place, const char*> cases[] = {
        {Place::Disk, "copy"}, {Place::Fat, "copy"}, {Place::Fat, "move"}, {Place::Tmpfs, "move"}};
    for (const auto& [place, operation] : cases) {
        SCOPED_TRACE(testing::Message() << operation << " into place " << int(place));
        const Scene scene(place);
        if (!scene.skipReason().isEmpty())
            continue; // the volumes' own rows above say why
        QProcess probe;
        for (int kill = 0; probe.exitStatus() == QProcess::CrashExit || kill == 0; ++kill) {
            scene.reset();
            probe.start(FS_PROBE, {QString::number(kill), operation, scene.at("s/MM05L.bmp"), scene.at("t/MM01L.bmp")});
            ASSERT_TRUE(probe.waitForFinished(60000));
            // An unfinished copy beside its target may stay, and a whole original stepping aside before it goes.
            const QString after = scene.described()
                                      .remove(QRegularExpression(" \\.MM01L\\.bmp\\.ostrel-copying-X(=\\S*)?"))
                                      .replace(".MM05L.bmp.ostrel-moving-X", "MM05L.bmp");
            EXPECT_TRUE(after == Kept || after == Copied || after == Moved)
                << "killed before call " << kill << ": " << qPrintable(after);
        }
    }
}

// An ordinary user: kept out of a directory, told so; and the tests that mount pass in a namespace of its own.
TEST(NoReplace, AnOrdinaryUser)
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "needs root and setpriv to act as another user";
    const QString self = QFile::symLinkTarget("/proc/self/exe");
    // Every directory on the way to this binary must be open to others.
    for (QString dir = QFileInfo(self).path(); dir != "/"; dir = QFileInfo(dir).path())
        if (struct stat st{}; ::stat(path(dir).constData(), &st) != 0 || (st.st_mode & S_IXOTH) == 0)
            GTEST_SKIP() << qPrintable(dir) << " is closed to other users";
    const Scene scene(Place::Disk);
    for (const QChar side : {'s', 't'})
        ::chmod(path(scene.dir(side)).constData(), 0755); // nobody else may write here
    // clang-format off
    const std::pair<QStringList, QString> cases[] = {
        {{FS_PROBE, "-1", "copy", scene.at("s/MM05L.bmp"), scene.at("t/MM01L.bmp")}, text(EACCES)},
        {{FS_PROBE, "-1", "move", scene.at("s/MM05L.bmp"), scene.at("t/MM01L.bmp")}, text(EACCES)},
        {{self, "--gtest_filter=MountedVolumes.*:NoReplace.AKill*"}, "[  PASSED  ]"},
    };
    // clang-format on
    for (const auto& [arguments, said] : cases) {
        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + arguments);
        ASSERT_TRUE(run.waitForFinished(240000));
        EXPECT_TRUE(QString::fromLocal8Bit(run.readAll()).contains(said)) << qPrintable(said);
        EXPECT_EQ(run.exitCode(), said == text(EACCES) ? 1 : 0);
    }
    EXPECT_EQ(scene.described(), Kept);
}

} // namespace
