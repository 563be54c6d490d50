#include "platform/os/pictures.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QImageReader>

#include "platform/os/file_descriptor.h"

namespace platform {

namespace {

constexpr qint64 FileHeaderSize = 14;
constexpr qint64 CoreHeaderSize = 12; // OS/2 1.x: 16-bit width and height
constexpr qint64 InfoHeaderSize = 40; // BITMAPINFOHEADER and everything that extends it
constexpr qint64 HeadBytesNeeded = FileHeaderSize + InfoHeaderSize;

constexpr quint32 CompressionNone = 0;
constexpr quint32 CompressionBitfields = 3;
constexpr quint32 CompressionAlphaBitfields = 6;

constexpr int AllocationLimitMegabytes = int(MaxPicturePixels * 4 / (1024LL * 1024));

quint16 readU16(const QByteArray& bytes, qsizetype at)
{
    return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8);
}

quint32 readU32(const QByteArray& bytes, qsizetype at)
{
    return quint32(readU16(bytes, at)) | quint32(readU16(bytes, at + 2)) << 16;
}

struct BitmapShape {
    qint64 width = 0;
    qint64 rows = 0; // |height|: a negative height only means the rows are stored top-down
    qint64 bitsPerPixel = 0;
    quint32 compression = CompressionNone;
    qint64 headersEnd = 0; // pixels can start no earlier than this
    qint64 pixelOffset = 0;
};

std::optional<BitmapShape> readShape(const QByteArray& head)
{
    if (head.size() < FileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M') {
        return std::nullopt;
    }
    BitmapShape shape;
    shape.pixelOffset = readU32(head, 10);
    const qint64 infoSize = readU32(head, 14);
    shape.headersEnd = FileHeaderSize + infoSize;
    if (infoSize == CoreHeaderSize && head.size() >= FileHeaderSize + CoreHeaderSize) {
        shape.width = readU16(head, 18);
        shape.rows = readU16(head, 20);
        shape.bitsPerPixel = readU16(head, 24);
    } else if (infoSize >= InfoHeaderSize && head.size() >= FileHeaderSize + InfoHeaderSize) {
        shape.width = qint32(readU32(head, 18));
        shape.rows = std::llabs(qint32(readU32(head, 22))); // qint64, so INT_MIN cannot overflow
        shape.bitsPerPixel = readU16(head, 28);
        shape.compression = readU32(head, 30);
    } else {
        return std::nullopt;
    }
    if (shape.width <= 0 || shape.rows <= 0 || shape.width * shape.rows > MaxPicturePixels) {
        return std::nullopt;
    }
    return shape;
}

// Qt's reader hands back a half-filled picture when the pixel rows run out early; for the uncompressed
// layouts the size the rows need is known from the header, so a short file is refused up front.
// Compressed (RLE) data has no such bound and is left to the reader.
bool holdsAllRows(const BitmapShape& shape, qint64 fileSize)
{
    if (shape.compression != CompressionNone && shape.compression != CompressionBitfields &&
        shape.compression != CompressionAlphaBitfields) {
        return true;
    }
    const qint64 rowBytes = (shape.width * shape.bitsPerPixel + 31) / 32 * 4;
    return fileSize >= std::max(shape.headersEnd, shape.pixelOffset) + rowBytes * shape.rows;
}

bool isRegularFile(int fd, qint64* size)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    *size = st.st_size;
    return true;
}

} // namespace

QImage decodeBitmap(const QString& path)
{
    // Process-wide in Qt; set once here so that the reader refuses to allocate past the cap even if a
    // header slipped through our own check.
    [[maybe_unused]] static const bool allocationLimitSet = [] {
        QImageReader::setAllocationLimit(AllocationLimitMegabytes);
        return true;
    }();

    if (path.isEmpty()) {
        return {};
    }
    const QByteArray rawPath = QFile::encodeName(path);
    // Devices are never opened at all: opening some of them has side effects.
    struct stat st {};
    if (::stat(rawPath.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    // O_NONBLOCK because the name may have been swapped for a FIFO since the stat, and opening a FIFO
    // without a writer would hang the window.
    const FileDescriptor fd(::open(rawPath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    qint64 fileSize = 0;
    if (fd.get() < 0 || !isRegularFile(fd.get(), &fileSize)) {
        return {};
    }

    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        return {};
    }
    const std::optional<BitmapShape> shape = readShape(file.peek(HeadBytesNeeded));
    if (!shape || !holdsAllRows(*shape, fileSize)) {
        return {};
    }

    // Forced to "bmp": a PNG or anything else renamed to .bmp is not a bitmap and stays blank.
    QImageReader reader(&file, QByteArrayLiteral("bmp"));
    reader.setDecideFormatFromContent(false);
    reader.setAutoDetectImageFormat(false);
    QImage image;
    if (!reader.read(&image)) {
        return {};
    }
    return image;
}

} // namespace platform
