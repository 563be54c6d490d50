#include "support/bad_bitmaps.h"

#include <QDataStream>
#include <QIODevice>

namespace testsupport {

namespace {

struct Header {
    qint32 width = 4;
    qint32 height = 4;
    quint16 planes = 1;
    quint16 bits = 24;
    quint32 compression = 0;
    quint32 colours = 0;
    quint32 headerSize = 40;
    qint64 offset = -1; // -1: right after headers and palette
};

// A file header and an info header as written, then `rest` (palette and pixels) verbatim.
QByteArray bitmap(const Header& h, const QByteArray& rest, qint64 paletteBytes = 0)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    const quint32 offset = h.offset >= 0 ? quint32(h.offset) : quint32(14 + 40 + paletteBytes);
    s << quint16(0x4d42) << quint32(14 + 40 + rest.size()) << quint32(0) << offset;
    s << h.headerSize << h.width << h.height << h.planes << h.bits << h.compression << quint32(rest.size())
      << qint32(2835) << qint32(2835) << h.colours << quint32(0);
    return out + rest;
}

QByteArray pixels24(int width, int height, QRgb first, QRgb rest)
{
    const int row = (width * 3 + 3) / 4 * 4;
    QByteArray data(row * height, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb c = x == 0 && y == 0 ? first : rest;
            data[y * row + x * 3] = char(qBlue(c));
            data[y * row + x * 3 + 1] = char(qGreen(c));
            data[y * row + x * 3 + 2] = char(qRed(c));
        }
    return data;
}

QByteArray palette(int colours)
{
    QByteArray p;
    for (int i = 0; i < colours; ++i)
        p += QByteArray(1, char(i)) + QByteArray(1, char(255 - i)) + QByteArray(1, char(i * 7)) + '\0';
    return p;
}

} // namespace

std::vector<BadBitmap> badBitmaps()
{
    const QRgb red = qRgb(255, 0, 0);
    const QRgb grey = qRgb(90, 90, 90);
    const QByteArray fine = pixels24(4, 4, red, grey);
    const auto with = [&fine](Header h) { return bitmap(h, fine); };
    const QByteArray valid = with({});
    std::vector<BadBitmap> files = {
        {"EmptyFile", QByteArray()},
        {"SignatureAlone", QByteArray("BM")},
        {"TruncatedFileHeader", valid.left(10)},
        {"TruncatedInfoHeader", valid.left(30)},
        {"TruncatedPixels", valid.left(valid.size() - 20)},
        {"WidthZero", with({0, 4})},
        {"HeightZero", with({4, 0})},
        {"NegativeWidth", with({-4, 4})},
        {"HeightIntMin", with({4, qint32(0x80000000)})},
        {"WidthIntMax", with({0x7fffffff, 4})},
        {"HugeBoth", with({100000, 100000})},
        {"LargeInTinyFile", with({16000, 16000})},
        {"BitCountZero", with({4, 4, 1, 0})},
        {"BitCountTwo", with({4, 4, 1, 2})},
        {"BitCountThree", with({4, 4, 1, 3})},
        {"BitCountSixtyFour", with({4, 4, 1, 64})},
        {"PlanesZero", with({4, 4, 0})},
        {"RleWithTwentyFourBits", with({4, 4, 1, 24, 1})},
        {"CompressionFour", with({4, 4, 1, 24, 4})},
        {"CompressionFive", with({4, 4, 1, 24, 5})},
        {"CompressionAllOnes", with({4, 4, 1, 24, 0xffffffff})},
        {"ThousandColours", bitmap({4, 4, 1, 8, 0, 1000}, palette(2) + QByteArray(16, '\1'), 8)},
        {"AllOnesColours", bitmap({4, 4, 1, 8, 0, 0xffffffff}, palette(2) + QByteArray(16, '\1'), 8)},
        {"TruncatedPalette", bitmap({4, 4, 1, 8, 0, 256}, palette(3))},
        {"PaletteIndexOutOfRange", bitmap({4, 4, 1, 8, 0, 2}, palette(2) + QByteArray(16, char(200)), 8)},
        {"OffsetPastTheEnd", with({4, 4, 1, 24, 0, 0, 40, 100000})},
        {"OffsetInsideTheHeader", with({4, 4, 1, 24, 0, 0, 40, 10})},
        {"HeaderSizeZero", with({4, 4, 1, 24, 0, 0, 0})},
        {"HeaderSizeTwoHundred", with({4, 4, 1, 24, 0, 0, 200})},
        {"HeaderSizeHuge", with({4, 4, 1, 24, 0, 0, 0x7fffffff})},
        {"Rle8RunOverruns", bitmap({4, 4, 1, 8, 1, 2}, palette(2) + QByteArray::fromHex("ff01ff01ff010001"), 8)},
        {"Rle8DeltaOverruns", bitmap({4, 4, 1, 8, 1, 2}, palette(2) + QByteArray::fromHex("0002ffff04010001"), 8)},
        {"Rle8AbsoluteOverruns", bitmap({4, 4, 1, 8, 1, 2}, palette(2) + QByteArray::fromHex("00ff0101"), 8)},
        {"Rle8NoEndMarker", bitmap({4, 4, 1, 8, 1, 2}, palette(2) + QByteArray::fromHex("0401"), 8)},
        {"Rle8Bomb", bitmap({30000, 30000, 1, 8, 1, 2}, palette(2) + QByteArray::fromHex("ff01ff01ff010001"), 8)},
        {"Rle4RunOverruns", bitmap({4, 4, 1, 4, 2, 2}, palette(2) + QByteArray::fromHex("ff11ff110001"), 8)},
        {"BitFieldsAllZero", bitmap({4, 4, 1, 32, 3}, QByteArray(12, '\0') + QByteArray(64, '\x7f'))},
        {"BitFieldsAllOnes", bitmap({4, 4, 1, 32, 3}, QByteArray(12, '\xff') + QByteArray(64, '\x7f'))},
        {"BitFieldsTruncated", bitmap({4, 4, 1, 32, 3}, QByteArray(5, '\xff'))},
    };
    // OS/2 core header: 12 bytes, 16-bit sizes.
    QByteArray core;
    QDataStream s(&core, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0x4d42) << quint32(26 + fine.size()) << quint32(0) << quint32(26) << quint32(12) << quint16(4)
      << quint16(4) << quint16(1) << quint16(24);
    files.push_back({"Os2CoreHeader", core + fine, true, grey});
    files.push_back({"Os2CoreHeaderTruncated", core.left(20)});
    // Controls: stored bottom-up, the first row in the file is the bottom one.
    files.push_back({"ValidBottomUp", bitmap({4, 4}, pixels24(4, 4, qRgb(0, 0, 255), grey)), true, grey});
    files.push_back({"ValidTopDown", bitmap({4, -4}, pixels24(4, 4, red, grey)), true, red});
    return files;
}

} // namespace testsupport
