// Decodes the pixels of a Windows bitmap whose layout bitmap_layout.cpp has read.
#include "platform/os/pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/os/bitmap_layout.h"

namespace platform {

namespace {

using namespace bitmap;

constexpr QRgb Black = 0xff000000;

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
class RunDecoder {
public:
    RunDecoder(QImage& image, const Layout& layout, const std::array<QRgb, 256>& palette)
        : image_(image), layout_(layout), palette_(palette), four_(layout.compression == Rle4),
          out_(line(image, layout, 0))
    {
    }

    void decode(const uchar* at, const uchar* end)
    {
        while (end - at >= 2) {
            const int count = at[0], code = at[1];
            at += 2;
            if (count > 0) {
                for (int i = 0; i < count && x_ < layout_.width; ++i)
                    put(four_ ? (i % 2 ? code & 15 : code >> 4) : code);
            } else if (code == 0) { // end of line
                x_ = 0;
                if (!nextRow(1))
                    return;
            } else if (code == 1 || !escape(code, at, end)) { // end of picture, or of the data
                return;
            }
        }
    }

private:
    // A delta (right and up), or `code` pixels stored as they are, padded to a whole 16-bit word; false
    // when the picture or the data ends.
    bool escape(int code, const uchar*& at, const uchar* end)
    {
        if (code == 2) {
            if (end - at < 2)
                return false;
            x_ += at[0];
            const int up = at[1];
            at += 2;
            return nextRow(up);
        }
        const qint64 bytes = four_ ? (code + 1) / 2 : code;
        for (int i = 0; i < code && (four_ ? i / 2 : i) < end - at; ++i)
            put(four_ ? (i % 2 ? at[i / 2] & 15 : at[i / 2] >> 4) : at[i]);
        at += std::min<qint64>(end - at, (bytes + 1) / 2 * 2);
        return true;
    }

    void put(uint index)
    {
        if (x_ < layout_.width)
            out_[x_] = palette_[index];
        ++x_;
    }

    bool nextRow(qint64 by)
    {
        row_ += by;
        if (row_ < layout_.rows)
            out_ = line(image_, layout_, row_);
        return row_ < layout_.rows;
    }

    QImage& image_;
    const Layout& layout_;
    const std::array<QRgb, 256>& palette_;
    const bool four_;
    qint64 x_ = 0;
    qint64 row_ = 0;
    QRgb* out_;
};

void decodeRuns(QImage& image, const Layout& layout, const uchar* at, const uchar* end,
                const std::array<QRgb, 256>& palette)
{
    image.fill(Qt::transparent);
    RunDecoder(image, layout, palette).decode(at, end);
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
