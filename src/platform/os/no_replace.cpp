#include "platform/os/no_replace.h"

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/os/copy_no_replace.h"
#include "platform/os/file_checks.h"
#include "platform/os/rename_no_replace.h"

namespace platform::noreplace {

namespace {

const char* const ChangedWhileMoved = "another program changed it while it was copied, so the original was kept";

// `name` still leads to the source read, by way of the same entry (the file, or a link to it). A name
// given by a link on a server that numbers names is judged by what the server keeps.
bool stillTheSource(const QByteArray& name, const struct stat& entry, const struct stat& read, bool renumbered = false)
{
    struct stat viaName {};
    const std::optional<struct stat> atName = lstatOf(name);
    const auto same = [renumbered](const struct stat& a, const struct stat& b) {
        return sameInode(a, b) || (renumbered && sameFileRenumbered(a, b));
    };
    return atName && same(*atName, entry) && ::stat(name.constData(), &viaName) == 0 && same(viaName, read);
}

// A move across file systems once its copy is complete: the source goes, but only while it is the very
// file that was read and unchanged; otherwise another program's work would go with it, so both are kept.
class CopiedMove {
public:
    CopiedMove(const Calls& calls, const QByteArray& from, const QByteArray& to, Source& source,
               const struct stat& entry, FsResult copied)
        : calls_(calls), from_(from), to_(to), source_(source), entry_(entry), copied_(std::move(copied))
    {
    }

    FsResult finish()
    {
        // The copy's name must be on disk before the original goes.
        if (const int error = syncDirectory(calls_, parentOf(to_)); error != 0)
            return takeBack(systemReason(error));
        struct stat now {};
        if (freshStat(source_.fd.get(), now) != 0 || changed(source_.st, now) ||
            !stillTheSource(from_, entry_, source_.st))
            return kept(QString::fromUtf8(ChangedWhileMoved), true);
        if (!leadsTo(to_, copied_.written))
            return FsResult::failure(QStringLiteral("another program put a file of its own under the target name, so "
                                                    "the original was kept"));
        return removeSource();
    }

private:
    FsResult kept(const QString& reason, bool copyLeft, const QByteArray& strandedAt = {}) const
    {
        FsResult result = FsResult::failure(reason);
        result.copyLeft = copyLeft;
        result.written = copied_.written;
        result.strandedAt = QFile::decodeName(strandedAt);
        return result;
    }

    // Taken back when the source cannot go: the reason, and where the copy is if it stays.
    FsResult takeBack(const QString& reason) const
    {
        const FsResult undone = removeChecked(calls_, to_, copied_.written);
        return undone.ok ? FsResult::failure(reason)
                         : kept(QStringLiteral("%1, and the copy could not be removed: %2").arg(reason, undone.reason),
                                !undone.replaced);
    }

    // The original steps aside under a hidden name before it goes: whoever replaces it from now on
    // puts a file of their own under its name, and that stays.
    FsResult removeSource()
    {
        const QByteArray aside = hiddenNameBeside(from_, "moving");
        const Renamed stepped = renameNoReplace(calls_, from_, aside);
        if (stepped.error != 0) {
            if (stepped.bothNames)
                calls_.unlink(aside); // its second name; the source keeps its own
            return takeBack(systemReason(stepped.error));
        }
        struct stat now {};
        const bool unchanged = freshStat(source_.fd.get(), now) == 0 &&
                               (!changed(source_.st, now, false) || onlyRestamped(now)) &&
                               stillTheSource(aside, entry_, source_.st, stepped.renumbered);
        source_.fd.reset(); // closed first, so that a FUSE server removes the name rather than hiding it
        int error = 0;
        if (unchanged && calls_.unlink(aside) != 0)
            error = errno;
        if (unchanged && error == 0) {
            syncDirectoryAfterwards(calls_, parentOf(from_));
            return copied_;
        }
        // Back under its own name, as it was; if another program has taken the name meanwhile, it stays aside.
        const QString reason = unchanged ? systemReason(error) : QString::fromUtf8(ChangedWhileMoved);
        if (renameNoReplace(calls_, aside, from_).error != 0)
            return kept(reason, true, aside);
        return unchanged ? takeBack(reason) : kept(reason, true);
    }

    // Some FUSE servers (fusefat) stamp a file with the time of its rename. Then the original set aside
    // differs from what was read in that stamp only, and may go while it holds its copy's bytes.
    bool onlyRestamped(const struct stat& now) const
    {
        struct stat unstamped = now;
        unstamped.st_mtim = source_.st.st_mtim;
        if (changed(source_.st, unstamped, false))
            return false;
        const FileDescriptor copy(calls_.open(to_, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        struct stat st {};
        return copy.get() >= 0 && ::fstat(copy.get(), &st) == 0 && isFile(st, copied_.written) &&
               sameBytes(source_.fd.get(), copy.get());
    }

    const Calls& calls_;
    const QByteArray& from_;
    const QByteArray& to_;
    Source& source_;
    const struct stat& entry_;
    FsResult copied_;
};

FsResult moveAcross(const Calls& calls, const QByteArray& from, const QByteArray& to, const FileIdentity& expected)
{
    Source source;
    if (FsResult opened = openSource(calls, from, source); !opened.ok)
        return opened;
    const std::optional<struct stat> entry = lstatOf(from); // the file, or the link that leads to it
    if (!entry)
        return failure(errno);
    if (expected.known() && !leadsTo(from, expected))
        return gone(from);
    FsResult copied = copyOpen(calls, source.fd.get(), source.st, to);
    if (!copied.ok)
        return copied;
    return CopiedMove(calls, from, to, source, *entry, std::move(copied)).finish();
}

// What a relative symbolic link at `from` must say at `to`, in another directory of the same file
// system, to lead where it leads now; nothing for a file or an absolute link, or where a rename keeps
// it right. Read from the real directories, as the kernel resolves links.
std::optional<QByteArray> repointedLink(const QByteArray& from, const QByteArray& to)
{
    const std::optional<struct stat> st = lstatOf(from);
    if (!st || !S_ISLNK(st->st_mode))
        return std::nullopt;
    QByteArray says(qsizetype(st->st_size) + 1, '\0');
    const ssize_t length = ::readlink(from.constData(), says.data(), size_t(says.size()));
    if (length <= 0 || length >= says.size() || says.startsWith('/'))
        return std::nullopt;
    says.truncate(length);
    const QString fromDirectory = QFileInfo(QFile::decodeName(parentOf(from))).canonicalFilePath();
    const QString toDirectory = QFileInfo(QFile::decodeName(parentOf(to))).canonicalFilePath();
    const std::optional<struct stat> fromDir = lstatOf(encoded(fromDirectory)), toDir = lstatOf(encoded(toDirectory));
    if (!fromDir || !toDir || fromDir->st_dev != toDir->st_dev || fromDirectory == toDirectory)
        return std::nullopt;
    QString leadsTo = QDir::cleanPath(fromDirectory + QLatin1Char('/') + QFile::decodeName(says));
    // Read by the letter, ".." after a linked directory would lead elsewhere: then to where it really leads.
    const QString really = QFileInfo(QFile::decodeName(from)).canonicalFilePath();
    if (!really.isEmpty() && QFileInfo(leadsTo).canonicalFilePath() != really)
        leadsTo = really;
    return encoded(QDir(toDirectory).relativeFilePath(leadsTo));
}

// A new link that says `says` at `to`, then the old one goes; if it cannot, the new one goes again.
FsResult moveLink(const Calls& calls, const QByteArray& from, const QByteArray& to, const QByteArray& says)
{
    if (calls.symlink(says, to) != 0)
        return failure(errno);
    FsResult made = written(heldAt(to));
    if (calls.unlink(from) == 0)
        return made;
    FsResult failed = failure(errno);
    if (!removeChecked(calls, to, made.written).ok) {
        failed.written = made.written;
        failed.copyLeft = true;
    }
    return failed;
}

} // namespace

FsResult copyFile(const QString& source, const QString& target, SystemCallHook* hook)
{
    const Calls calls(hook);
    Source in;
    if (FsResult opened = openSource(calls, encoded(source), in); !opened.ok)
        return opened;
    FsResult copied = copyOpen(calls, in.fd.get(), in.st, encoded(target));
    if (copied.ok)
        syncDirectoryAfterwards(calls, parentOf(encoded(target)));
    return copied;
}

FsResult moveFile(const QString& source, const QString& target, const FileIdentity& expected, SystemCallHook* hook)
{
    const Calls calls(hook);
    const QByteArray from = encoded(source);
    const QByteArray to = encoded(target);
    if (expected.known() && !leadsTo(from, expected))
        return gone(from);
    if (const std::optional<QByteArray> says = repointedLink(from, to))
        return moveLink(calls, from, to, *says);
    const Renamed renamed = renameNoReplace(calls, from, to);
    if (renamed.error == 0)
        return written(heldAt(to));
    FsResult failed = failure(renamed.error);
    if (renamed.bothNames) {
        failed.written = identityOf(heldAt(to));
        failed.copyLeft = true;
        return failed;
    }
    if (!renamed.strandedAt.isEmpty()) {
        failed.strandedAt = QFile::decodeName(renamed.strandedAt);
        return failed;
    }
    if (renamed.error != EXDEV)
        return failed;
    return moveAcross(calls, from, to, expected);
}

FsResult removeFile(const QString& path, const FileIdentity& expected, SystemCallHook* hook)
{
    return removeChecked(Calls(hook), encoded(path), expected);
}

} // namespace platform::noreplace
