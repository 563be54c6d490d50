#pragma once

#include <QByteArrayView>
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
// The same for a file the caller has just found by stat to be a regular file, sparing a second look; it
// is checked again once open.
QImage decodeRegularBitmap(const QString& path);

// The file's first bytes that tell how much of it the decoder can use: both headers and the masks.
inline constexpr qint64 BitmapHeadBytes = 14 + 124 + 16;

// How many bytes from the start of a bitmap the decoder can use, told from its first BitmapHeadBytes
// (all of it when shorter); 0 when it is nothing we show. Bytes past this never change the picture.
qint64 bitmapBytesWanted(QByteArrayView head);

// Decodes a whole bitmap file held in memory, as decodeBitmap does: every header from OS/2 1.x to V5,
// 1 to 64 bits a pixel, RLE4 and RLE8, bit-fields of any width. Every pixel of the result is written:
// pixels an RLE picture skips or never reaches are transparent, colour indices past the palette black.
QImage decodeBitmapBytes(QByteArrayView bytes);

} // namespace platform
