#include "platform/os/file_checks.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace platform::noreplace {

namespace {
const char* const NoLongerOurs = "another program has put a different file under that name";
} // namespace

FsResult failure(int error)
{
    return FsResult::failure(systemReason(error));
}

FsResult failure(const char* reason)
{
    return FsResult::failure(QString::fromUtf8(reason));
}

std::optional<struct stat> lstatOf(const QByteArray& path)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return std::nullopt;
    return st;
}

int freshStat(int fd, struct stat& st)
{
    struct statx asked {};
    // Only refreshes what the kernel keeps; where statx is missing the cached answer is all there is.
    (void)::statx(fd, "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, STATX_BASIC_STATS, &asked);
    return ::fstat(fd, &st);
}

bool sameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

FileIdentity identityOf(const std::shared_ptr<FileDescriptor>& held)
{
    struct stat st {};
    if (held->get() < 0 || ::fstat(held->get(), &st) != 0)
        return {};
    return {quint64(st.st_dev), quint64(st.st_ino), held};
}

bool isFile(const struct stat& st, const FileIdentity& identity)
{
    return quint64(st.st_dev) == identity.device && quint64(st.st_ino) == identity.inode;
}

bool leadsTo(const QByteArray& path, const FileIdentity& identity)
{
    const std::optional<struct stat> st = lstatOf(path);
    return st && isFile(*st, identity);
}

bool changed(const struct stat& before, const struct stat& after, bool countChangeTime)
{
    const auto differ = [](const struct timespec& a, const struct timespec& b) {
        return a.tv_sec != b.tv_sec || a.tv_nsec != b.tv_nsec;
    };
    return !sameInode(before, after) || before.st_size != after.st_size || differ(before.st_mtim, after.st_mtim) ||
           (countChangeTime && differ(before.st_ctim, after.st_ctim));
}

namespace {

// Up to `length` bytes at `at`, fewer only where the file ends: a single pread may return less, as a
// network share's does. -1 on a failure.
ssize_t readAt(int fd, char* into, size_t length, off_t at)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, into + done, length - done, at + off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += size_t(got);
    }
    return ssize_t(done);
}

} // namespace

bool sameBytes(int a, int b)
{
    char left[64 * 1024];
    char right[sizeof left];
    for (off_t at = 0;; at += off_t(sizeof left)) {
        const ssize_t got = readAt(a, left, sizeof left, at);
        if (got < 0 || readAt(b, right, sizeof right, at) != got || std::memcmp(left, right, size_t(got)) != 0)
            return false;
        if (got < ssize_t(sizeof left))
            return true;
    }
}

bool unsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QByteArray parentOf(const QByteArray& path)
{
    return encoded(QFileInfo(QFile::decodeName(path)).absolutePath());
}

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

bool sameFileRenumbered(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT) && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

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

FsResult gone(const QByteArray& path)
{
    const bool removed = !lstatOf(path) && errno == ENOENT;
    FsResult refused = removed ? failure(ENOENT) : failure(NoLongerOurs);
    refused.replaced = true;
    return refused;
}

FsResult removeChecked(const Calls& calls, const QByteArray& path, const FileIdentity& expected)
{
    if (expected.known() && !leadsTo(path, expected))
        return gone(path);
    return calls.unlink(path) == 0 ? FsResult{} : failure(errno);
}

} // namespace platform::noreplace
