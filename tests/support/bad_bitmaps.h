#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QRgb>

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

// A picture file as a hostile or broken source might hand it over. Most must show blank; some decode as
// far as they go, to a 4 x 4 picture of whatever; the valid ones give their top-left pixel upright.
struct BadBitmap {
    const char* name;
    QByteArray bytes;
    bool blank = true;
    std::optional<QRgb> topLeft = {};
};
std::vector<BadBitmap> badBitmaps();

} // namespace testsupport
