#pragma once

#include <array>
#include <optional>

#include <QByteArrayView>
#include <QRgb>
#include <QtGlobal>

// Where a Windows bitmap keeps what: its size, depth, compression, masks, palette and pixels, read from
// its headers as Microsoft's BITMAPINFOHEADER, BITMAPV4HEADER and BITMAPV5HEADER pages describe them,
// with the OS/2 headers and the variants editors write besides.
namespace platform::bitmap {

enum Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

quint32 readLittleEndian(const uchar* at, int bytes);

struct Layout {
    qint64 width = 0;
    qint64 rows = 0;
    bool topDown = false;
    int bits = 0;
    quint32 compression = Rgb;
    std::array<quint32, 4> masks{}; // red, green, blue, alpha; alpha 0 for an opaque picture
    qint64 paletteStart = 0;
    qint64 paletteEntries = 0;
    int paletteEntrySize = 4;
    qint64 pixelStart = 0;

    bool runLength() const { return compression == Rle8 || compression == Rle4; }
    qint64 rowBytes() const { return (width * bits + 31) / 32 * 4; }
    // Uncompressed rows have their size. Run-length codes move at least one pixel on for every four
    // bytes, besides one end of line a row and the end of the picture: no encoder needs more, and
    // what lies beyond is not read.
    qint64 dataEnd() const { return pixelStart + (runLength() ? 4 * width * rows + 2 * rows + 2 : rowBytes() * rows); }
};

// The layout of a bitmap file held in memory, from its headers alone; none for anything we do not show.
std::optional<Layout> readLayout(QByteArrayView bytes);

} // namespace platform::bitmap
