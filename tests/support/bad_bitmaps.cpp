#include "support/bad_bitmaps.h"

#include <QDataStream>
#include <QIODevice>

namespace testsupport {

QByteArray bitmapFile(const BitmapHeader& h, const QByteArray& rest)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0x4d42) << quint32(14 + 40 + rest.size()) << quint32(0)
      << quint32(h.offset >= 0 ? h.offset : 14 + 40 + h.paletteBytes) << h.headerSize << h.width << h.height << h.planes
      << h.bits << h.compression << quint32(rest.size()) << qint32(2835) << qint32(2835) << h.colours << quint32(0);
    return out + rest;
}

std::vector<BadBitmap> badBitmaps()
{
    // 4 x 4 at 24 bits, rows of 12 bytes; the first pixel stored is red, the others grey.
    const QByteArray fine = QByteArray("\0\0\xff", 3) + QByteArray(45, '\x5a');
    const auto with = [&fine](BitmapHeader h) { return bitmapFile(h, fine); };
    const QByteArray valid = with({});
    // Eight bits a pixel with a palette of two colours, then `data`.
    const auto indexed = [](quint32 compression, const QByteArray& data, qint32 side = 4) {
        return bitmapFile({side, side, 1, 8, compression, 2, 40, -1, 8},
                          QByteArray::fromHex("00000000ffffff00") + data);
    };
    // OS/2 core header: 12 bytes, 16-bit sizes.
    const QByteArray core = QByteArray::fromHex("424d4a000000000000001a0000000c0000000400040001001800");
    const QByteArray run = QByteArray::fromHex("ff01ff01ff010001"); // runs far past a 4 x 4 picture
    // clang-format off
    return {
        {"EmptyFile", {}}, {"SignatureAlone", "BM"}, {"TruncatedInfoHeader", valid.left(30)}, {"TruncatedPixels", valid.chopped(20)},
        {"WidthZero", with({0, 4})}, {"HeightZero", with({4, 0})}, {"NegativeWidth", with({-4, 4})}, {"HeightIntMin", with({4, qint32(0x80000000)})},
        {"HugeBoth", with({100000, 100000})}, {"BitCountZero", with({4, 4, 1, 0})}, {"OffsetPastTheEnd", with({4, 4, 1, 24, 0, 0, 40, 100000})},
        {"HeaderSizeZero", with({4, 4, 1, 24, 0, 0, 0})}, {"HeaderSizeTwoHundred", with({4, 4, 1, 24, 0, 0, 200})}, {"Rle8Bomb", indexed(1, run, 30000)},
        {"BitFieldsTruncated", bitmapFile({4, 4, 1, 32, 3}, QByteArray(5, '\xff'))}, {"Os2CoreHeaderTruncated", core.left(20)},
        // Decoded as far as they go; then valid ones, stored bottom-up unless the height is negative.
        {"OffsetInsideTheHeader", with({4, 4, 1, 24, 0, 0, 40, 10}), false}, {"PaletteIndexOutOfRange", indexed(0, QByteArray(16, char(200))), false},
        {"Rle8RunOverruns", indexed(1, run), false}, {"Os2CoreHeader", core + fine, false, qRgb(90, 90, 90)},
        {"ValidBottomUp", valid, false, qRgb(90, 90, 90)}, {"ValidTopDown", with({4, -4}), false, qRgb(255, 0, 0)},
    };
    // clang-format on
}

} // namespace testsupport
