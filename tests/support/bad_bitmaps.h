#pragma once

#include <vector>

#include <QByteArray>
#include <QRgb>

namespace testsupport {

// A picture file as a hostile or broken source might hand it over.
struct BadBitmap {
    const char* name;
    QByteArray bytes;
    // For the few valid controls: the colour of the top-left pixel when shown upright.
    bool valid = false;
    QRgb topLeft = 0;
};

// Malformed Windows bitmaps made in code: broken headers, absurd sizes, bad bit counts and
// compressions, lying palettes and offsets, overrunning RLE data, bit fields, OS/2 headers; plus a
// valid bottom-up and a valid top-down picture as controls.
std::vector<BadBitmap> badBitmaps();

} // namespace testsupport
