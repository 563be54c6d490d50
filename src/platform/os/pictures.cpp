#include "platform/os/pictures.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>

#include "platform/os/file_descriptor.h"
#include "platform/os/os_log.h"

namespace platform {

namespace {

// The file's first `length` bytes, fewer if it is shorter or a read fails.
QByteArray readStart(int fd, qint64 length)
{
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, bytes.data() + done, size_t(length - done), off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    bytes.truncate(qsizetype(done));
    return bytes;
}

} // namespace

QImage decodeBitmap(const QString& path)
{
    if (path.isEmpty()) {
        return {};
    }
    // Devices are never opened at all: opening some of them has side effects.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    return decodeRegularBitmap(path);
}

QImage decodeRegularBitmap(const QString& path)
{
    const QByteArray rawPath = QFile::encodeName(path);
    struct stat st {};
    // O_NONBLOCK because the name may have been swapped for a FIFO since the stat, and opening a FIFO
    // without a writer would hang the window.
    const FileDescriptor fd(::open(rawPath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        const int error = errno; // before the log's own calls can change it
        qCWarning(osLog).noquote() << QStringLiteral("cannot open the picture %1: %2").arg(path, systemReason(error));
        return {};
    }
    if (!S_ISREG(st.st_mode))
        return {};
    // The headers first, then no more of the file than they say the picture can use.
    const QByteArray head = readStart(fd.get(), std::min<qint64>(st.st_size, BitmapHeadBytes));
    const qint64 wanted = std::min<qint64>(st.st_size, bitmapBytesWanted(head));
    QImage picture =
        decodeBitmapBytes(wanted <= head.size() ? QByteArrayView(head).first(wanted) : readStart(fd.get(), wanted));
    if (picture.isNull())
        qCWarning(osLog).noquote()
            << QStringLiteral("cannot decode the picture %1 (%2 bytes)").arg(path).arg(st.st_size);
    return picture;
}

} // namespace platform
