#pragma once

#include <functional>
#include <vector>

#include <QByteArray>
#include <QtGlobal>

namespace testsupport {

// What the headers of a Windows bitmap claim, true or not. A header of 12 bytes is OS/2 1.x's, with
// 16-bit sizes; others are Windows' 40-byte header cut or padded with zeros to their size, its masks
// inside from 52 bytes on and after it below. An offset of -1 points right after the headers, the
// masks and `paletteBytes` of palette.
struct BitmapHeader {
    qint32 width = 4, height = 4;
    quint16 planes = 1, bits = 24;
    quint32 compression = 0, colours = 0, headerSize = 40;
    qint64 offset = -1, paletteBytes = 0;
    std::vector<quint32> masks = {};
};

// The headers as written, then `rest` (palette and pixels) verbatim.
QByteArray bitmapFile(const BitmapHeader& header, const QByteArray& rest);

// Pixel values, top row first, as the rows of a bitmap `width` wide store them at `bits` a pixel:
// bottom row first, each row padded to whole 32-bit words, values little-endian, the first pixel in
// the high bits of a byte.
QByteArray bitmapRows(int width, int bits, const std::vector<quint64>& values);
// The same with each value asked for, row `y` counted from the top, where a list of them would be too big.
QByteArray bitmapRows(int width, int height, int bits, const std::function<quint64(int x, int y)>& value);

// Colours as a palette stores them, 0xRRGGBB each, in 4 bytes or in OS/2 1.x's 3.
QByteArray bitmapPalette(const std::vector<quint32>& colours, int entryBytes = 4);

} // namespace testsupport
