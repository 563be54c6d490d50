#pragma once

#include <QByteArray>

namespace testsupport {

// What the headers of a Windows bitmap claim, true or not. An offset of -1 points right after the
// headers and `paletteBytes` of palette.
struct BitmapHeader {
    qint32 width = 4, height = 4;
    quint16 planes = 1, bits = 24;
    quint32 compression = 0, colours = 0, headerSize = 40;
    qint64 offset = -1, paletteBytes = 0;
};
// The headers as written, with a 40-byte info header, then `rest` (palette and pixels) verbatim.
QByteArray bitmapFile(const BitmapHeader& header, const QByteArray& rest);

} // namespace testsupport
