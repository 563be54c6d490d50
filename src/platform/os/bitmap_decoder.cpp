// The Windows bitmap format, read as Microsoft's BITMAPINFOHEADER, BITMAPV4HEADER and BITMAPV5HEADER
// pages describe it, with the OS/2 headers and the variants editors write besides.
#include "platform/os/pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace platform {

namespace {

constexpr qint64 FileHeaderSize = 14;
constexpr qint64 CoreHeaderSize = 12; // OS/2 1.x: 16-bit sizes, 3-byte palette entries

enum Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

constexpr QRgb Black = 0xff000000;

quint32 readLittleEndian(const uchar* at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

// One colour channel of a bit-field pixel, scaled from however many bits it has to 8.
class Channel {
public:
    explicit Channel(quint32 mask) : mask_(mask)
    {
        if (mask == 0) { // reads as 0
            table_.assign(1, 0);
            return;
        }
        while (!(mask_ >> shift_ & 1))
            ++shift_;
        max_ = mask_ >> shift_;
        if (max_ <= 0xffff) {
            table_.resize(max_ + 1);
            for (quint32 v = 0; v <= max_; ++v)
                table_[v] = scale(v);
        }
    }
    bool present() const { return mask_ != 0; }
    uchar operator()(quint32 pixel) const
    {
        const quint32 v = (pixel & mask_) >> shift_;
        return table_.empty() ? scale(v) : table_[v];
    }

private:
    // v x 255 / max, rounded to the nearest.
    uchar scale(quint32 v) const { return uchar((quint64(v) * 510 + max_) / (2 * quint64(max_))); }

    quint32 mask_;
    int shift_ = 0;
    quint32 max_ = 0;
    std::vector<uchar> table_;
};

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

bool validDepth(int bits, quint32 compression)
{
    switch (compression) {
    case Rgb:
        return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32 || bits == 64;
    case Rle8:
        return bits == 8;
    case Rle4:
        return bits == 4;
    case BitFields:
    case AlphaBitFields:
        return bits == 16 || bits == 32;
    default: // JPEG, PNG, CMYK: not shown
        return false;
    }
}

std::optional<Layout> readLayout(QByteArrayView bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const qint64 size = bytes.size();
    if (size < FileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    const qint64 headerSize = readLittleEndian(data + 14, 4);
    const qint64 headerEnd = FileHeaderSize + headerSize;
    // 12: OS/2 1.x. 40, 52, 56, 108, 124: Windows up to V5. Any other size from 16 to 64: OS/2 2.x,
    // whose header starts as Windows' does and may stop after any field.
    const bool windows =
        headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124;
    const bool core = headerSize == CoreHeaderSize;
    const bool os2 = !windows && headerSize >= 16 && headerSize <= 64;
    if (!(windows || core || os2) || size < headerEnd)
        return std::nullopt;
    // A field the header is too short to hold reads 0.
    const auto field = [&](qint64 at, int width) {
        return at + width <= headerSize ? readLittleEndian(data + FileHeaderSize + at, width) : 0;
    };

    Layout layout;
    qint64 height = 0;
    quint32 colours = 0;
    if (core) {
        layout.width = field(4, 2);
        height = field(6, 2);
        layout.bits = int(field(10, 2));
        layout.paletteEntrySize = 3;
    } else {
        layout.width = qint32(field(4, 4));
        height = qint32(field(8, 4));
        layout.bits = int(field(14, 2));
        layout.compression = field(16, 4);
        colours = field(32, 4);
    }
    // OS/2 2.x gives 3 and 4 to Huffman and 24-bit runs, neither of which we show.
    if (os2 && layout.compression > Rle4)
        return std::nullopt;
    layout.topDown = height < 0;
    layout.rows = std::abs(height);
    if (layout.width <= 0 || layout.rows <= 0 || layout.width * layout.rows > MaxPicturePixels ||
        !validDepth(layout.bits, layout.compression))
        return std::nullopt;

    qint64 tableStart = headerEnd;
    if (layout.compression == BitFields || layout.compression == AlphaBitFields) {
        const qint64 count = layout.compression == AlphaBitFields ? 4 : 3;
        if (headerSize == 40) { // the masks follow the header
            if (size < headerEnd + 4 * count)
                return std::nullopt;
            for (qint64 i = 0; i < count; ++i)
                layout.masks[size_t(i)] = readLittleEndian(data + headerEnd + 4 * i, 4);
            tableStart += 4 * count;
        } else {
            for (int i = 0; i < 4; ++i)
                layout.masks[i] = field(40 + 4 * i, 4);
        }
    } else if (layout.bits == 16) {
        layout.masks = {0x7c00, 0x03e0, 0x001f, 0};
    } else if (layout.bits == 32) {
        layout.masks = {0xff0000, 0xff00, 0xff, 0};
        // Masks a longer header carries are kept even without bit-fields, as Qt has always read them;
        // the plain 40-byte header's fourth byte is no alpha.
        if (!os2 && (field(40, 4) | field(44, 4) | field(48, 4)))
            layout.masks = {field(40, 4), field(44, 4), field(48, 4), field(52, 4)};
    }

    const qint64 declared = layout.bits > 8 ? 0 : colours ? qint64(colours) : qint64(1) << layout.bits;
    const qint64 offset = readLittleEndian(data + 10, 4);
    layout.paletteStart = tableStart;
    if (offset >= tableStart) {
        // The pixels start where the file header says, however short a palette that leaves.
        layout.pixelStart = offset;
        layout.paletteEntries = std::min(declared, (offset - tableStart) / layout.paletteEntrySize);
    } else {
        // An offset inside the headers is a writer's slip: the pixels follow the palette.
        layout.pixelStart = tableStart + declared * layout.paletteEntrySize;
        layout.paletteEntries = declared;
    }
    layout.paletteEntries = std::min(layout.paletteEntries, qint64(256));
    return layout;
}

// Indices past the palette are black.
std::array<QRgb, 256> readPalette(const Layout& layout, const uchar* data, qint64 size)
{
    std::array<QRgb, 256> palette;
    palette.fill(Black);
    const qint64 entries = std::min(layout.paletteEntries, (size - layout.paletteStart) / layout.paletteEntrySize);
    for (qint64 i = 0; i < entries; ++i) {
        const uchar* entry = data + layout.paletteStart + i * layout.paletteEntrySize;
        palette[size_t(i)] = qRgb(entry[2], entry[1], entry[0]);
    }
    return palette;
}

QRgb* line(QImage& image, const Layout& layout, qint64 storedRow)
{
    return reinterpret_cast<QRgb*>(image.scanLine(int(layout.topDown ? storedRow : layout.rows - 1 - storedRow)));
}

void decodeIndexed(QImage& image, const Layout& layout, const uchar* pixels, const std::array<QRgb, 256>& palette)
{
    const int bits = layout.bits;
    const uint indexMask = (1U << bits) - 1;
    for (qint64 row = 0; row < layout.rows; ++row) {
        const uchar* in = pixels + row * layout.rowBytes();
        QRgb* out = line(image, layout, row);
        for (qint64 x = 0; x < layout.width; ++x) {
            const qint64 bit = x * bits;
            out[x] = palette[(in[bit / 8] >> (8 - bits - bit % 8)) & indexMask];
        }
    }
}

void decodeTrueColour(QImage& image, const Layout& layout, const uchar* pixels)
{
    for (qint64 row = 0; row < layout.rows; ++row) {
        const uchar* in = pixels + row * layout.rowBytes();
        QRgb* out = line(image, layout, row);
        for (qint64 x = 0; x < layout.width; ++x, in += 3)
            out[x] = qRgb(in[2], in[1], in[0]);
    }
}

void decodeBitFields(QImage& image, const Layout& layout, const uchar* pixels)
{
    const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]), alpha(layout.masks[3]);
    const int bytes = layout.bits / 8;
    for (qint64 row = 0; row < layout.rows; ++row) {
        const uchar* in = pixels + row * layout.rowBytes();
        QRgb* out = line(image, layout, row);
        for (qint64 x = 0; x < layout.width; ++x, in += bytes) {
            const quint32 pixel = readLittleEndian(in, bytes);
            out[x] = qRgba(red(pixel), green(pixel), blue(pixel), alpha.present() ? alpha(pixel) : 255);
        }
    }
}

// 64 bits a pixel: blue, green, red and alpha in signed 2.13 fixed point, colours in linear light.
void decodeWide(QImage& image, const Layout& layout, const uchar* pixels)
{
    static constexpr int One = 1 << 13;
    static const std::array<uchar, One + 1> toSrgb = [] {
        std::array<uchar, One + 1> table{};
        for (int v = 0; v <= One; ++v) {
            const double linear = double(v) / One;
            const double encoded = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
            table[size_t(v)] = uchar(std::lround(encoded * 255));
        }
        return table;
    }();
    const auto clamped = [](const uchar* at) { return std::clamp(int(qint16(readLittleEndian(at, 2))), 0, One); };
    for (qint64 row = 0; row < layout.rows; ++row) {
        const uchar* in = pixels + row * layout.rowBytes();
        QRgb* out = line(image, layout, row);
        for (qint64 x = 0; x < layout.width; ++x, in += 8)
            out[x] = qRgba(toSrgb[size_t(clamped(in + 4))], toSrgb[size_t(clamped(in + 2))],
                           toSrgb[size_t(clamped(in))], (clamped(in + 6) * 255 + One / 2) / One);
    }
}

// Runs of RLE8 and RLE4. The picture starts transparent, so pixels that delta and end-of-line codes
// skip, or that data ending early never reaches, show what lies behind, as transparent RLE means.
void decodeRuns(QImage& image, const Layout& layout, const uchar* at, const uchar* end,
                const std::array<QRgb, 256>& palette)
{
    image.fill(Qt::transparent);
    const bool four = layout.compression == Rle4;
    qint64 x = 0, row = 0;
    QRgb* out = line(image, layout, 0);
    const auto put = [&](uint index) {
        if (x < layout.width)
            out[x] = palette[index];
        ++x;
    };
    const auto nextRow = [&](qint64 by) {
        row += by;
        if (row < layout.rows)
            out = line(image, layout, row);
        return row < layout.rows;
    };
    while (end - at >= 2) {
        const int count = at[0], code = at[1];
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < layout.width; ++i)
                put(four ? (i % 2 ? code & 15 : code >> 4) : code);
        } else if (code == 0) { // end of line
            x = 0;
            if (!nextRow(1))
                break;
        } else if (code == 1) { // end of picture
            break;
        } else if (code == 2) { // delta: right and up
            if (end - at < 2)
                break;
            x += at[0];
            const int up = at[1];
            at += 2;
            if (!nextRow(up))
                break;
        } else { // `code` pixels stored as they are, padded to a whole 16-bit word
            const qint64 bytes = four ? (code + 1) / 2 : code;
            for (int i = 0; i < code && (four ? i / 2 : i) < end - at; ++i)
                put(four ? (i % 2 ? at[i / 2] & 15 : at[i / 2] >> 4) : at[i]);
            at += std::min<qint64>(end - at, (bytes + 1) / 2 * 2);
        }
    }
}

} // namespace

qint64 bitmapBytesWanted(QByteArrayView head)
{
    const std::optional<Layout> layout = readLayout(head);
    return layout ? layout->dataEnd() : 0;
}

QImage decodeBitmapBytes(QByteArrayView bytes)
{
    const std::optional<Layout> layout = readLayout(bytes);
    // Uncompressed rows that end early would leave part of the picture with nothing to show.
    if (!layout || (!layout->runLength() && bytes.size() < layout->dataEnd()) || layout->pixelStart > bytes.size())
        return {};
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* pixels = data + layout->pixelStart;
    const bool alpha = layout->runLength() || layout->masks[3] != 0 || layout->bits == 64;
    QImage image(int(layout->width), int(layout->rows), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) // out of memory
        return {};
    if (layout->bits <= 8) {
        const std::array<QRgb, 256> palette = readPalette(*layout, data, bytes.size());
        if (!layout->runLength())
            decodeIndexed(image, *layout, pixels, palette);
        else
            decodeRuns(image, *layout, pixels, data + std::min(bytes.size(), layout->dataEnd()), palette);
    } else if (layout->bits == 24) {
        decodeTrueColour(image, *layout, pixels);
    } else if (layout->bits == 64) {
        decodeWide(image, *layout, pixels);
    } else {
        decodeBitFields(image, *layout, pixels);
    }
    return image;
}

} // namespace platform
