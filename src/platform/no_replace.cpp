#include "platform/no_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include "platform/file_descriptor.h"

namespace platform::noreplace {

namespace {

FsResult failure(int error)
{
    return {false, systemReason(error)};
}

FsResult failure(const char* reason)
{
    return {false, QString::fromUtf8(reason)};
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

bool sameFile(const QByteArray& a, const QByteArray& b)
{
    struct stat first {};
    struct stat second {};
    return ::lstat(a.constData(), &first) == 0 && ::lstat(b.constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool unsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP || error == EPERM;
}

// What renameRaw answers where the file system has no rename that refuses to replace.
constexpr int NoSafeRename = ENOTSUP;

// For file systems without RENAME_NOREPLACE: a hard link never replaces either.
int renameByLink(const QByteArray& from, const QByteArray& to)
{
    if (::link(from.constData(), to.constData()) == 0) {
        if (::unlink(from.constData()) == 0)
            return 0;
        const int error = errno;
        ::unlink(to.constData()); // the second name we just gave it; the file keeps its first
        return error;
    }
    const int error = errno;
    return unsupported(error) ? NoSafeRename : error;
}

bool differOnlyInCase(const QByteArray& from, const QByteArray& to)
{
    const QFileInfo a(QFile::decodeName(from));
    const QFileInfo b(QFile::decodeName(to));
    return a.path() == b.path() && a.fileName() != b.fileName() &&
           a.fileName().toCaseFolded() == b.fileName().toCaseFolded();
}

int renameRaw(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error == EEXIST && differOnlyInCase(from, to) && sameFile(from, to)) {
        // A change of letter case on a file system that ignores case: the target "exists" because it
        // is the file itself, so step aside through a name nobody uses.
        const QByteArray aside = to + ".ostrel-renaming";
        const int first = renameRaw(from, aside);
        if (first != 0)
            return first;
        const int second = renameRaw(aside, to);
        if (second != 0)
            ::renameat2(AT_FDCWD, aside.constData(), AT_FDCWD, from.constData(), RENAME_NOREPLACE);
        return second;
    }
    return unsupported(error) ? renameByLink(from, to) : error;
}

// Copies every byte; false with errno set on a failure.
bool copyBytes(int in, int out, off_t& copied)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, size_t(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += put;
        }
        copied += got;
    }
}

void syncDirectory(const QByteArray& directory)
{
    const FileDescriptor dir(::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

// Creates `to` exclusively and fills it from `in`: where no rename or link can refuse to replace, an
// exclusive creation still can.
FsResult writeExclusive(int in, off_t size, mode_t mode, const QByteArray& to)
{
    if (::lseek(in, 0, SEEK_SET) != 0)
        return failure(errno);
    const FileDescriptor out(::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (out.get() < 0)
        return failure(errno);
    off_t copied = 0;
    if (!copyBytes(in, out.get(), copied) || ::fsync(out.get()) != 0) {
        const int error = errno;
        ::unlink(to.constData()); // ours, made a moment ago
        return failure(error);
    }
    if (copied != size) {
        ::unlink(to.constData());
        return failure("the file changed while it was copied");
    }
    return {};
}

} // namespace

FsResult copyFile(const QString& source, const QString& target)
{
    const QByteArray from = encoded(source);
    const QByteArray to = encoded(target);
    const FileDescriptor in(::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0)
        return failure(errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0)
        return failure(errno);
    if (!S_ISREG(st.st_mode))
        return failure("it is not a regular file");

    const QByteArray directory = encoded(QFileInfo(target).absolutePath());
    const mode_t mode = st.st_mode & 0777;
    FileDescriptor out(::open(directory.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    QByteArray named; // the temporary file's name, when the file system has no anonymous ones
    if (out.get() < 0) {
        if (!unsupported(errno) && errno != EISDIR)
            return failure(errno);
        named = directory + "/.ostrel-copy-XXXXXX";
        out.reset(::mkostemp(named.data(), O_CLOEXEC));
        if (out.get() < 0)
            return failure(errno);
    }
    const auto discard = [&named] {
        if (!named.isEmpty())
            ::unlink(named.constData());
    };

    off_t copied = 0;
    if (!copyBytes(in.get(), out.get(), copied) || ::fchmod(out.get(), mode) != 0 || ::fsync(out.get()) != 0) {
        const int error = errno;
        discard();
        return failure(error);
    }
    if (copied != st.st_size) {
        discard();
        return failure("the file changed while it was copied");
    }

    int error = 0;
    if (named.isEmpty()) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(out.get());
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) != 0) {
            error = errno;
            // Without /proc, naming the descriptor itself needs privileges we may still have.
            if (error == ENOENT && ::linkat(out.get(), "", AT_FDCWD, to.constData(), AT_EMPTY_PATH) == 0)
                error = 0;
        }
    } else {
        error = renameRaw(named, to);
        discard();
    }
    if (error == ENOENT || error == NoSafeRename) {
        const FsResult written = writeExclusive(in.get(), st.st_size, mode, to);
        if (!written.ok)
            return written;
        error = 0;
    }
    if (error != 0)
        return failure(error);
    // The new name on disk before anyone relies on it (a move then removes the original).
    syncDirectory(directory);
    return {};
}

FsResult moveFile(const QString& source, const QString& target)
{
    const int error = renameRaw(encoded(source), encoded(target));
    if (error == 0)
        return {};
    if (error != EXDEV && error != NoSafeRename)
        return failure(error);
    // Across file systems, or where no rename refuses to replace: a copy, then the original goes.
    const FsResult copied = copyFile(source, target);
    if (!copied.ok)
        return copied;
    if (::unlink(encoded(source).constData()) != 0) {
        const FsResult removal = failure(errno);
        ::unlink(encoded(target).constData()); // our own copy, made a moment ago
        return removal;
    }
    return {};
}

FsResult removeFile(const QString& path)
{
    return ::unlink(encoded(path).constData()) == 0 ? FsResult{} : failure(errno);
}

} // namespace platform::noreplace
