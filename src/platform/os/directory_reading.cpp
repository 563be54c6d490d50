#include "platform/os/directory_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "platform/os/file_descriptor.h"
#include "platform/os/os_log.h"

namespace platform {

EncodedPath encodeDirectory(const QString& directory)
{
    if (directory.isEmpty()) {
        return {{}, QStringLiteral("No directory was given.")};
    }
    QByteArray bytes = QFile::encodeName(directory);
    if (QFile::decodeName(bytes) != directory || bytes.contains('\0')) {
        return {{}, QStringLiteral("The directory name cannot be written on this system.")};
    }
    return {std::move(bytes), {}};
}

namespace {

EntryKind kindOfStat(const struct stat& st)
{
    return S_ISDIR(st.st_mode) ? EntryKind::Directory : EntryKind::NonDirectory;
}

} // namespace

EntryKind kindOf(int dirFd, const dirent& entry)
{
    switch (entry.d_type) {
    case DT_DIR:
        return EntryKind::Directory;
    case DT_UNKNOWN:
    case DT_LNK:
        break;
    default:
        return EntryKind::NonDirectory;
    }
    struct stat st {};
    if (::fstatat(dirFd, entry.d_name, &st, 0) == 0) {
        return kindOfStat(st);
    }
    // A dangling link still occupies its name, so a copy must not land on it: it counts as a file.
    if (::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return kindOfStat(st);
    }
    return EntryKind::Gone; // removed since readdir saw it
}

bool isNonDirectory(const QByteArray& path)
{
    // The link itself first: a name that is not there costs one request, not two, and on a network share
    // every request counts.
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        return false;
    }
    if (S_ISLNK(st.st_mode) && ::stat(path.constData(), &st) != 0) {
        return true;
    }
    return !S_ISDIR(st.st_mode);
}

OpenDirectory::OpenDirectory(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    dir_ = ::fdopendir(fd);
    if (dir_ == nullptr) {
        error_ = errno;
        ::close(fd);
    }
}

OpenDirectory::~OpenDirectory()
{
    if (dir_ != nullptr) {
        ::closedir(dir_);
    }
}

FsResult failedReading(const QByteArray& path, int error)
{
    const QString reason = systemReason(error);
    qCWarning(osLog).noquote()
        << QStringLiteral("cannot read the directory %1 through: %2").arg(QFile::decodeName(path), reason);
    return FsResult::failure(reason);
}

} // namespace platform
