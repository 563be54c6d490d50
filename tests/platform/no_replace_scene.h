#pragma once

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QRegularExpression>

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
enum class Op { Copy, Move, Remove };

// Full and ReadOnly are tmpfs volumes too, a small one and one made read-only; Disk needs none.
VolumeKind volumeAt(Place place)
{
    using V = VolumeKind;
    const V kinds[] = {V::Tmpfs, V::Tmpfs,       V::Tmpfs, V::Tmpfs, V::Fat,     V::Ntfs,
                       V::Exfat, V::Passthrough, V::Btrfs, V::Xfs,   V::Squashfs};
    return kinds[int(place)];
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
    void aged(const QString& name) const
    {
        const struct timespec longAgo[] = {{1577836800, 0}, {1577836800, 0}}; // 2020-01-01, even for FAT
        ASSERT_EQ(::utimensat(AT_FDCWD, path(at(name)).constData(), longAgo, 0), 0) << qPrintable(name);
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
    // Another computer on the network adds to the share's original, while this one still keeps its attributes.
    void writtenElsewhere() const
    {
        struct stat st {};
        ASSERT_EQ(::stat(path(at("t/MM05L.bmp")).constData(), &st), 0);
        QFile file(volume_->servedFrom() + "/MM05L.bmp");
        ASSERT_TRUE(file.open(QIODevice::Append) && file.write("+") == 1);
    }
    // The original, as a write of ours would know it.
    FileIdentity ours() const
    {
        PosixFileSystem fs;
        EXPECT_TRUE(fs.moveFile(at("s/MM05L.bmp"), at("s/x"), {}).ok);
        return fs.moveFile(at("s/x"), at("s/MM05L.bmp"), {}).written;
    }
    // A FUSE server keeps the name of a removed file that is still open as ".fuse_hidden…", and drops it once
    // the file's release reaches it; the kernel sends that after close() has returned, so it may come late.
    void awaitHiddenNamesGone() const
    {
        const auto hidden = [this] {
            return !QDir(dir('s')).entryList({".fuse_hidden*"}, Everything).isEmpty() ||
                   !QDir(dir('t')).entryList({".fuse_hidden*"}, Everything).isEmpty();
        };
        for (int waited = 0; hidden() && waited < 5000; waited += 20)
            ::usleep(20 * 1000);
    }
    // Both directories, an intact bystander left out, the original's bytes as <o>, hidden names' chance part as X.
    QString described() const
    {
        awaitHiddenNamesGone();
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
    // Copies, moves or removes `from` (to `to`), "s/NAME" or "t/NAME". Gives the result, and its outcome as
    // one line: the reason or "ok", and what else the result tells.
    std::pair<FsResult, QString> run(Op op, const QString& from, const QString& to, const FileIdentity& expected,
                                     Faults& faults) const
    {
        PosixFileSystem fs(&faults);
        const FsResult result = op == Op::Copy   ? fs.copyFile(at(from), at(to))
                                : op == Op::Move ? fs.moveFile(at(from), at(to), expected)
                                                 : fs.removeFile(at(from), expected);
        struct stat st {};
        const bool atTarget = op != Op::Remove && ::lstat(path(at(to)).constData(), &st) == 0 &&
                              st.st_ino == result.written.inode && quint64(st.st_dev) == result.written.device;
        QString line = result.ok ? QStringLiteral("ok") : result.reason;
        if (op != Op::Remove &&
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
const char* const WayNames[] = {"", "Anonymous", "NoProc", "Named", "NoRenameat2", "NoLink"};

const QString Kept = "s: MM05L.bmp | t:", Copied = "s: MM05L.bmp | t: MM01L.bmp", Moved = "s: | t: MM01L.bmp";

} // namespace
