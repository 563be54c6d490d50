#include "platform/os/copy_no_replace.h"

#include <cerrno>
#include <memory>

#include <QFile>

#include "platform/os/file_checks.h"
#include "platform/os/os_log.h"
#include "platform/os/rename_no_replace.h"

namespace platform::noreplace {

namespace {

const char* const ChangedWhileCopied = "the file changed while it was copied";

// Permission bits FAT and some FUSE volumes cannot keep are no reason to fail a copy.
bool permissionsUnkept(int error)
{
    return error == EPERM || error == ENOSYS || error == EOPNOTSUPP;
}

// Writes all of `size` bytes; false with errno set on a failure.
bool writeAll(const Calls& calls, int out, const char* data, ssize_t size)
{
    for (ssize_t done = 0; done < size;) {
        const ssize_t put = calls.write(out, data + done, size_t(size - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = EIO; // a volume that takes nothing would otherwise be asked for ever
            return false;
        }
        done += put;
    }
    return true;
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
        if (!writeAll(calls, out, buffer, got))
            return false;
        copied += got;
    }
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
    if (freshStat(in, after) != 0)
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

// Without anonymous files (FAT, FUSE, older kernels) a hidden one, whose creation reports any real
// trouble with the directory.
FsResult copyThroughHidden(const Calls& calls, int in, const struct stat& before, const QByteArray& to)
{
    const mode_t mode = before.st_mode & 0777;
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

} // namespace

FsResult openSource(const Calls& calls, const QByteArray& path, Source& source)
{
    source.fd.reset(calls.open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (source.fd.get() < 0)
        return failure(errno);
    if (freshStat(source.fd.get(), source.st) != 0)
        return failure(errno);
    if (!S_ISREG(source.st.st_mode))
        return failure("it is not a regular file");
    return {};
}

FsResult copyOpen(const Calls& calls, int in, const struct stat& before, const QByteArray& to)
{
    const auto anonymous = std::make_shared<FileDescriptor>(
        calls.open(parentOf(to), O_TMPFILE | O_WRONLY | O_CLOEXEC, before.st_mode & 0777));
    if (anonymous->get() >= 0) {
        FsResult filled = fill(calls, in, before, anonymous->get());
        if (!filled.ok)
            return filled;
        if (nameAnonymous(calls, anonymous->get(), to) == 0)
            return written(anonymous);
        // No /proc and no privilege to name a descriptor: a named file after all, whose naming
        // refuses a taken target just as well.
    }
    return copyThroughHidden(calls, in, before, to);
}

int syncDirectory(const Calls& calls, const QByteArray& directory)
{
    const FileDescriptor dir(::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return errno;
    if (calls.fsync(dir.get(), directory) == 0 || unsupported(errno))
        return 0;
    return errno;
}

void syncDirectoryAfterwards(const Calls& calls, const QByteArray& directory)
{
    if (const int error = syncDirectory(calls, directory); error != 0)
        qCWarning(osLog).noquote() << QStringLiteral("cannot flush the directory %1 after a write: %2")
                                          .arg(QFile::decodeName(directory), systemReason(error));
}

} // namespace platform::noreplace
