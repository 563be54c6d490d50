#pragma once

#include <QImage>
#include <QString>
#include <QtGlobal>

namespace platform {

// Largest picture we agree to decode, in pixels: 4096 x 4096, which is 64 MiB once decoded to 32 bits
// a pixel. Portraits are 110 x 170 and 38 x 60; the cap leaves room for anyone who drops a scan or a
// screenshot into a portrait directory, while a header that lies about its size cannot make us
// allocate gigabytes.
inline constexpr qint64 MaxPicturePixels = 64LL * 1024 * 1024 / 4;

// Decodes a Windows bitmap file. Anything missing, unreadable, not a regular file, not a bitmap,
// truncated, hostile or larger than the cap gives a null QImage: the window then shows an empty box.
// Never blocks on a FIFO and never reads pixels before the header's size has been checked.
QImage decodeBitmap(const QString& path);

} // namespace platform
