#include "support/bitmap_file.h"

#include <QDataStream>
#include <QIODevice>

namespace testsupport {

namespace {

QByteArray littleEndian(const std::vector<quint32>& words)
{
    QByteArray out;
    for (const quint32 word : words)
        for (int b = 0; b < 4; ++b)
            out += char(word >> (8 * b));
    return out;
}

} // namespace

QByteArray bitmapFile(const BitmapHeader& h, const QByteArray& rest)
{
    QByteArray info;
    QDataStream s(&info, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    if (h.headerSize == 12) {
        s << h.headerSize << quint16(h.width) << quint16(h.height) << h.planes << h.bits;
    } else {
        s << h.headerSize << h.width << h.height << h.planes << h.bits << h.compression << quint32(rest.size())
          << qint32(2835) << qint32(2835) << h.colours << quint32(0);
    }
    const QByteArray masks = littleEndian(h.masks);
    const QByteArray headers = h.headerSize < 52 ? info.leftJustified(h.headerSize, '\0', true) + masks
                                                 : (info + masks).leftJustified(h.headerSize, '\0', true);
    const qint64 offset = h.offset >= 0 ? h.offset : 14 + headers.size() + h.paletteBytes;
    return "BM" + littleEndian({quint32(14 + headers.size() + rest.size()), 0, quint32(offset)}) + headers + rest;
}

QByteArray bitmapRows(int width, int bits, const std::vector<quint64>& values)
{
    return bitmapRows(width, int(values.size()) / width, bits,
                      [&values, width](int x, int y) { return values[size_t(y * width + x)]; });
}

QByteArray bitmapRows(int width, int height, int bits, const std::function<quint64(int x, int y)>& value)
{
    const int rowBytes = (width * bits + 31) / 32 * 4;
    QByteArray out(rowBytes * height, '\0');
    for (int y = 0; y < height; ++y) {
        uchar* row = reinterpret_cast<uchar*>(out.data()) + (height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const quint64 pixel = value(x, y);
            if (bits < 8)
                row[x * bits / 8] |= uchar(pixel << (8 - bits - x * bits % 8));
            else
                for (int b = 0; b < bits / 8; ++b)
                    row[x * bits / 8 + b] = uchar(pixel >> (8 * b));
        }
    }
    return out;
}

QByteArray bitmapPalette(const std::vector<quint32>& colours, int entryBytes)
{
    QByteArray out;
    for (const quint32 colour : colours)
        out += littleEndian({colour}).left(entryBytes);
    return out;
}

} // namespace testsupport
