#include "platform/os/no_replace.h"

#include <cerrno>
#include <memory>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "platform/os/file_descriptor.h"

namespace platform::noreplace {

namespace {

const char* const ChangedWhileCopied = "the file changed while it was copied";
const char* const ChangedWhileMoved = "another program changed it while it was copied, so the original was kept";
const char* const NoLongerOurs = "another program has put a different file under that name";

FsResult failure(int error)
{
    return FsResult::failure(systemReason(error));
}

FsResult failure(const char* reason)
{
    return FsResult::failure(QString::fromUtf8(reason));
}

// Each call asks the hook first, so that a test can fail any one of them or act just before it.
class Calls {
public:
    explicit Calls(SystemCallHook* hook) : hook_(hook) {}

    int open(const QByteArray& path, int flags, mode_t mode = 0) const
    {
        return refused(SystemCall::Open, path) ? -1 : ::open(path.constData(), flags, mode);
    }
    ssize_t write(int fd, const char* data, size_t size) const
    {
        return refused(SystemCall::Write, {}) ? -1 : ::write(fd, data, size);
    }
    // `path` names a directory being flushed; empty for a file.
    int fsync(int fd, const QByteArray& path = {}) const { return refused(SystemCall::Fsync, path) ? -1 : ::fsync(fd); }
    int fchmod(int fd, mode_t mode) const { return refused(SystemCall::Fchmod, {}) ? -1 : ::fchmod(fd, mode); }
    int linkat(int fromDir, const QByteArray& from, const QByteArray& to, int flags) const
    {
        return refused(SystemCall::Linkat, to) ? -1
                                               : ::linkat(fromDir, from.constData(), AT_FDCWD, to.constData(), flags);
    }
    int renameNoReplace(const QByteArray& from, const QByteArray& to) const
    {
        return refused(SystemCall::Renameat2, to)
                   ? -1
                   : ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    }
    int link(const QByteArray& from, const QByteArray& to) const
    {
        return refused(SystemCall::Link, to) ? -1 : ::link(from.constData(), to.constData());
    }
    int rename(const QByteArray& from, const QByteArray& to) const
    {
        return refused(SystemCall::Rename, to) ? -1 : ::rename(from.constData(), to.constData());
    }
    int unlink(const QByteArray& path) const
    {
        return refused(SystemCall::Unlink, path) ? -1 : ::unlink(path.constData());
    }
    // Like link, it never replaces: a taken name fails with EEXIST.
    int symlink(const QByteArray& target, const QByteArray& path) const
    {
        return refused(SystemCall::Symlink, path) ? -1 : ::symlink(target.constData(), path.constData());
    }

private:
    bool refused(SystemCall call, const QByteArray& path) const
    {
        const int error = hook_ != nullptr ? hook_->before(call, path) : 0;
        errno = error;
        return error != 0;
    }

    SystemCallHook* hook_;
};

std::optional<struct stat> lstatOf(const QByteArray& path)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return std::nullopt;
    return st;
}

bool sameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The file `held` is open on, held for as long as the identity lives.
FileIdentity identityOf(const std::shared_ptr<FileDescriptor>& held)
{
    struct stat st {};
    if (held->get() < 0 || ::fstat(held->get(), &st) != 0)
        return {};
    return {quint64(st.st_dev), quint64(st.st_ino), held};
}

bool leadsTo(const QByteArray& path, const FileIdentity& identity)
{
    const std::optional<struct stat> st = lstatOf(path);
    return st && quint64(st->st_dev) == identity.device && quint64(st->st_ino) == identity.inode;
}

// What an edit in place changes, or a replacement. FAT keeps times to two seconds only, so there an
// edit of the same size within that moment goes unseen. A rename changes the change time too, so the
// check after one of ours leaves it out.
bool changed(const struct stat& before, const struct stat& after, bool countChangeTime = true)
{
    const auto differ = [](const struct timespec& a, const struct timespec& b) {
        return a.tv_sec != b.tv_sec || a.tv_nsec != b.tv_nsec;
    };
    return !sameInode(before, after) || before.st_size != after.st_size || differ(before.st_mtim, after.st_mtim) ||
           (countChangeTime && differ(before.st_ctim, after.st_ctim));
}

// The file system has no such call, or refuses it to everybody. (ENOTSUP is EOPNOTSUPP on Linux.)
bool unsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
}

// Permission bits FAT and some FUSE volumes cannot keep are no reason to fail a copy.
bool permissionsUnkept(int error)
{
    return error == EPERM || error == ENOSYS || error == EOPNOTSUPP;
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QByteArray parentOf(const QByteArray& path)
{
    return encoded(QFileInfo(QFile::decodeName(path)).absolutePath());
}

// A hidden name beside `path` that tells what it is, for the moments a file must have a name of its own.
QByteArray hiddenNameBeside(const QByteArray& path, const char* purpose)
{
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix(6, 'x');
    for (char& c : suffix)
        c = digits[QRandomGenerator::system()->bounded(int(sizeof digits - 1))];
    const QFileInfo info(QFile::decodeName(path));
    return parentOf(path) + "/." + encoded(info.fileName()) + ".ostrel-" + purpose + '-' + suffix;
}

bool sameFile(const QByteArray& a, const QByteArray& b)
{
    const std::optional<struct stat> first = lstatOf(a);
    const std::optional<struct stat> second = lstatOf(b);
    return first && second && sameInode(*first, *second);
}

// Many FUSE servers (sshfs, most pass-throughs) number inodes per name, so a name just linked to a file
// shows a number of its own. There what the server does keep tells: the kind, size and modification time.
bool sameFileRenumbered(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT) && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Whether every entry of the directory answering to `name` with case ignored is spelled `spelling`.
bool onlySpelling(const QByteArray& directory, const QString& name, const QString& spelling)
{
    DIR* dir = ::opendir(directory.constData());
    if (dir == nullptr)
        return false;
    bool only = true;
    bool seen = false;
    while (const dirent* entry = ::readdir(dir)) {
        const QString entryName = QFile::decodeName(entry->d_name);
        if (!sameNameIgnoringCase(entryName, name))
            continue;
        seen = true;
        only = only && entryName == spelling;
    }
    ::closedir(dir);
    return seen && only;
}

// A change of letter case on a file system that ignores case: the target "exists" because it is the
// file itself. The inode numbers tell, except through FUSE, which numbers every spelling apart; there
// the directory tells, when it holds the name in no spelling but the one renamed.
bool sameFileInOtherCase(const QByteArray& from, const QByteArray& to)
{
    const QFileInfo a(QFile::decodeName(from));
    const QFileInfo b(QFile::decodeName(to));
    return a.path() == b.path() && a.fileName() != b.fileName() && sameNameIgnoringCase(a.fileName(), b.fileName()) &&
           (sameFile(from, to) || onlySpelling(parentOf(from), a.fileName(), a.fileName()));
}

// The outcome of a rename that refuses to replace.
struct Renamed {
    int error = 0;
    // Linked under the new name, but the old one could not be removed: the file bears both.
    bool bothNames = false;
    // Neither renamed nor put back: the file is under this hidden name.
    QByteArray strandedAt;
    // Renamed by a link, which gave the new name an inode number of its own (FUSE servers that number names).
    bool renumbered = false;
};

Renamed renameNoReplace(const Calls& calls, const QByteArray& from, const QByteArray& to);

// Steps aside through a hidden name, so that the case-blind file system sees two different names.
Renamed renameThroughAside(const Calls& calls, const QByteArray& from, const QByteArray& to)
{
    const QByteArray aside = hiddenNameBeside(to, "renaming");
    const Renamed first = renameNoReplace(calls, from, aside);
    if (first.error != 0)
        return {first.error, false, first.bothNames ? aside : QByteArray()};
    Renamed second = renameNoReplace(calls, aside, to);
    if (second.error != 0 && !second.bothNames && renameNoReplace(calls, aside, from).error != 0)
        second.strandedAt = aside;
    return second;
}

// Tries, in turn, a rename that refuses to replace, a hard link (which never replaces either), and
// where the file system has neither (FAT through FUSE) a look before a plain rename: only another
// program creating this very name in the moment between the two could still lose its file there.
Renamed renameNoReplace(const Calls& calls, const QByteArray& from, const QByteArray& to)
{
    if (calls.renameNoReplace(from, to) == 0)
        return {};
    int error = errno;
    if (error == EEXIST)
        return sameFileInOtherCase(from, to) ? renameThroughAside(calls, from, to) : Renamed{EEXIST, false, {}};
    if (!unsupported(error))
        return {error, false, {}};

    if (calls.link(from, to) == 0) {
        // Both names lead to the file now: if their numbers differ, the server numbers names, not files.
        const std::optional<struct stat> linked = lstatOf(to), original = lstatOf(from);
        const bool renumbered = linked && original && !sameInode(*linked, *original);
        const bool same = linked && original && (!renumbered || sameFileRenumbered(*linked, *original));
        if (calls.unlink(from) == 0)
            return {0, false, {}, renumbered};
        error = errno;
        // The second name we just gave it goes again; the file keeps its first.
        const bool removed = same && calls.unlink(to) == 0;
        return {error, !removed, {}, renumbered};
    }
    error = errno;
    if (error == EEXIST)
        return sameFileInOtherCase(from, to) ? renameThroughAside(calls, from, to) : Renamed{EEXIST, false, {}};
    if (!unsupported(error))
        return {error, false, {}};

    if (lstatOf(to)) {
        if (!sameFileInOtherCase(from, to))
            return {EEXIST, false, {}};
    } else if (errno != ENOENT) {
        return {errno, false, {}};
    }
    return {calls.rename(from, to) == 0 ? 0 : errno, false, {}};
}

// Copies every byte from the start of `in`; false with errno set on a failure.
bool copyBytes(const Calls& calls, int in, int out, off_t& copied)
{
    char buffer[1 << 16];
    copied = 0;
    for (;;) {
        const ssize_t got = ::pread(in, buffer, sizeof buffer, copied);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = calls.write(out, buffer + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                if (put == 0)
                    errno = EIO; // a volume that takes nothing would otherwise be asked for ever
                return false;
            }
            done += put;
        }
        copied += got;
    }
}

// 0 or the errno value; file systems that cannot flush a directory count as done.
int syncDirectory(const Calls& calls, const QByteArray& directory)
{
    const FileDescriptor dir(::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return errno;
    if (calls.fsync(dir.get(), directory) == 0 || unsupported(errno))
        return 0;
    return errno;
}

// Fills `out` from `in` and flushes it; fails when the source changed meanwhile.
FsResult fill(const Calls& calls, int in, const struct stat& before, int out)
{
    off_t copied = 0;
    if (!copyBytes(calls, in, out, copied))
        return failure(errno);
    // Keep trying to set the bits: only a file system that cannot hold them is excused.
    if (calls.fchmod(out, before.st_mode & 0777) != 0 && !permissionsUnkept(errno))
        return failure(errno);
    if (calls.fsync(out) != 0)
        return failure(errno);
    struct stat after {};
    if (::fstat(in, &after) != 0)
        return failure(errno);
    if (copied != before.st_size || changed(before, after))
        return failure(ChangedWhileCopied);
    return {};
}

// 0 or the errno value of naming an anonymous file.
int nameAnonymous(const Calls& calls, int fd, const QByteArray& to)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    if (calls.linkat(AT_FDCWD, self, to, AT_SYMLINK_FOLLOW) == 0)
        return 0;
    // Without /proc, naming the descriptor itself needs privileges we may still have.
    if (errno == ENOENT && calls.linkat(fd, QByteArray(), to, AT_EMPTY_PATH) == 0)
        return 0;
    return errno;
}

// The file a name leads to, held by a path descriptor: it pins the file without opening it, which a
// FUSE server never sees. Taken from the final name, since through FUSE a hard link or another
// spelling gets a number of its own.
std::shared_ptr<FileDescriptor> heldAt(const QByteArray& path)
{
    return std::make_shared<FileDescriptor>(::open(path.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
}

FsResult written(const std::shared_ptr<FileDescriptor>& held)
{
    FsResult result;
    result.written = identityOf(held);
    return result;
}

// Copies the open source `in` to `to`: an anonymous file where the file system has them, so that
// nothing is left behind whatever happens, else a hidden one beside the target. The caller flushes the
// directory.
FsResult copyOpen(const Calls& calls, int in, const struct stat& before, const QByteArray& to)
{
    const QByteArray directory = parentOf(to);
    const mode_t mode = before.st_mode & 0777;
    const auto anonymous =
        std::make_shared<FileDescriptor>(calls.open(directory, O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (anonymous->get() >= 0) {
        FsResult filled = fill(calls, in, before, anonymous->get());
        if (!filled.ok)
            return filled;
        if (nameAnonymous(calls, anonymous->get(), to) == 0)
            return written(anonymous);
        // No /proc and no privilege to name a descriptor: a named file after all, whose naming
        // refuses a taken target just as well.
    }
    // Without anonymous files (FAT, FUSE, older kernels) a hidden one, whose creation reports any real
    // trouble with the directory.

    QByteArray hidden;
    FileDescriptor out;
    for (int attempt = 0; out.get() < 0 && attempt < 8; ++attempt) {
        hidden = hiddenNameBeside(to, "copying");
        out.reset(calls.open(hidden, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (out.get() < 0 && errno != EEXIST)
            break;
    }
    if (out.get() < 0)
        return failure(errno);
    const FsResult filled = fill(calls, in, before, out.get());
    // Closed before any name goes: a FUSE server keeps a removed name of an open file as ".fuse_hidden".
    out.reset();
    const Renamed renamed = filled.ok ? renameNoReplace(calls, hidden, to) : Renamed{};
    // Named under both: the copy is complete, and what stays behind is a hidden second name.
    if (!filled.ok || (renamed.error != 0 && !renamed.bothNames)) {
        calls.unlink(hidden);
        return filled.ok ? failure(renamed.error) : filled;
    }
    return written(heldAt(to));
}

// The open source and what it was when opened.
struct Source {
    FileDescriptor fd;
    struct stat st {};
};

FsResult openSource(const Calls& calls, const QByteArray& path, Source& source)
{
    source.fd.reset(calls.open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (source.fd.get() < 0)
        return failure(errno);
    if (::fstat(source.fd.get(), &source.st) != 0)
        return failure(errno);
    if (!S_ISREG(source.st.st_mode))
        return failure("it is not a regular file");
    return {};
}

// The file expected at `path` is not there any more: another program replaced or removed it.
FsResult gone(const QByteArray& path)
{
    const bool removed = !lstatOf(path) && errno == ENOENT;
    FsResult refused = removed ? failure(ENOENT) : failure(NoLongerOurs);
    refused.replaced = true;
    return refused;
}

// A known `expected` identity: only while the name still leads to that file.
FsResult removeChecked(const Calls& calls, const QByteArray& path, const FileIdentity& expected)
{
    if (expected.known() && !leadsTo(path, expected))
        return gone(path);
    return calls.unlink(path) == 0 ? FsResult{} : failure(errno);
}

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

// Across file systems: a copy, then the source goes, but only while it is the very file that was read
// and unchanged; otherwise another program's work would go with it, so both are kept.
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
    const auto kept = [&](const QString& reason, bool copyLeft, const QByteArray& strandedAt = {}) {
        FsResult result = FsResult::failure(reason);
        result.copyLeft = copyLeft;
        result.written = copied.written;
        result.strandedAt = QFile::decodeName(strandedAt);
        return result;
    };
    // Taken back when the source cannot go: the reason, and where the copy is if it stays.
    const auto takeBack = [&](const QString& reason) {
        const FsResult undone = removeChecked(calls, to, copied.written);
        return undone.ok ? FsResult::failure(reason)
                         : kept(QStringLiteral("%1, and the copy could not be removed: %2").arg(reason, undone.reason),
                                !undone.replaced);
    };

    // The copy's name must be on disk before the original goes.
    if (const int error = syncDirectory(calls, parentOf(to)); error != 0)
        return takeBack(systemReason(error));
    struct stat now {};
    if (::fstat(source.fd.get(), &now) != 0 || changed(source.st, now) || !stillTheSource(from, *entry, source.st))
        return kept(QString::fromUtf8(ChangedWhileMoved), true);
    if (!leadsTo(to, copied.written))
        return FsResult::failure(QStringLiteral("another program put a file of its own under the target name, so "
                                                "the original was kept"));

    // The original steps aside under a hidden name before it goes: whoever replaces it from now on
    // puts a file of their own under its name, and that stays.
    const QByteArray aside = hiddenNameBeside(from, "moving");
    const Renamed stepped = renameNoReplace(calls, from, aside);
    if (stepped.error != 0) {
        if (stepped.bothNames)
            calls.unlink(aside); // its second name; the source keeps its own
        return takeBack(systemReason(stepped.error));
    }
    const bool unchanged = ::fstat(source.fd.get(), &now) == 0 && !changed(source.st, now, false) &&
                           stillTheSource(aside, *entry, source.st, stepped.renumbered);
    source.fd.reset(); // closed first, so that a FUSE server removes the name rather than hiding it
    int error = 0;
    if (unchanged && calls.unlink(aside) != 0)
        error = errno;
    if (unchanged && error == 0) {
        syncDirectory(calls, parentOf(from));
        return copied;
    }
    // Back under its own name, as it was; if another program has taken the name meanwhile, it stays aside.
    const QString reason = unchanged ? systemReason(error) : QString::fromUtf8(ChangedWhileMoved);
    if (renameNoReplace(calls, aside, from).error != 0)
        return kept(reason, true, aside);
    return unchanged ? takeBack(reason) : kept(reason, true);
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
        syncDirectory(calls, parentOf(encoded(target)));
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
