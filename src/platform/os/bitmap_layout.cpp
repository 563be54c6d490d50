#include "platform/os/bitmap_layout.h"

#include <algorithm>
#include <cstdlib>

#include "platform/os/pictures.h"

namespace platform::bitmap {

namespace {

constexpr qint64 FileHeaderSize = 14;
constexpr qint64 CoreHeaderSize = 12; // OS/2 1.x: 16-bit sizes, 3-byte palette entries

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

// The header's kind, told by its size, and its fields.
struct Header {
    const uchar* data = nullptr;
    qint64 size = 0; // of the whole file held
    qint64 headerSize = 0;
    bool core = false; // OS/2 1.x
    bool os2 = false;  // OS/2 2.x

    qint64 end() const { return FileHeaderSize + headerSize; }
    // A field the header is too short to hold reads 0.
    quint32 field(qint64 at, int width) const
    {
        return at + width <= headerSize ? readLittleEndian(data + FileHeaderSize + at, width) : 0;
    }
};

std::optional<Header> readHeader(QByteArrayView bytes)
{
    Header header;
    header.data = reinterpret_cast<const uchar*>(bytes.data());
    header.size = bytes.size();
    if (header.size < FileHeaderSize + 4 || header.data[0] != 'B' || header.data[1] != 'M')
        return std::nullopt;
    const qint64 size = header.headerSize = readLittleEndian(header.data + 14, 4);
    // 12: OS/2 1.x. 40, 52, 56, 108, 124: Windows up to V5. Any other size from 16 to 64: OS/2 2.x,
    // whose header starts as Windows' does and may stop after any field.
    const bool windows = size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
    header.core = size == CoreHeaderSize;
    header.os2 = !windows && size >= 16 && size <= 64;
    if (!(windows || header.core || header.os2) || header.size < header.end())
        return std::nullopt;
    return header;
}

// The size, depth and compression; the number of colours the header declares in `colours`.
std::optional<Layout> readShape(const Header& header, quint32& colours)
{
    Layout layout;
    qint64 height = 0;
    if (header.core) {
        layout.width = header.field(4, 2);
        height = header.field(6, 2);
        layout.bits = int(header.field(10, 2));
        layout.paletteEntrySize = 3;
    } else {
        layout.width = qint32(header.field(4, 4));
        height = qint32(header.field(8, 4));
        layout.bits = int(header.field(14, 2));
        layout.compression = header.field(16, 4);
        colours = header.field(32, 4);
    }
    // OS/2 2.x gives 3 and 4 to Huffman and 24-bit runs, neither of which we show.
    if (header.os2 && layout.compression > Rle4)
        return std::nullopt;
    layout.topDown = height < 0;
    layout.rows = std::abs(height);
    if (layout.width <= 0 || layout.rows <= 0 || layout.width * layout.rows > MaxPicturePixels ||
        !validDepth(layout.bits, layout.compression))
        return std::nullopt;
    return layout;
}

// The channel masks; false when the file is too short to hold them. `tableStart` moves past masks that
// follow the header.
bool readMasks(const Header& header, Layout& layout, qint64& tableStart)
{
    if (layout.compression == BitFields || layout.compression == AlphaBitFields) {
        const qint64 count = layout.compression == AlphaBitFields ? 4 : 3;
        if (header.headerSize != 40) {
            for (int i = 0; i < 4; ++i)
                layout.masks[i] = header.field(40 + 4 * i, 4);
            return true;
        }
        // The masks follow the header.
        if (header.size < header.end() + 4 * count)
            return false;
        for (qint64 i = 0; i < count; ++i)
            layout.masks[size_t(i)] = readLittleEndian(header.data + header.end() + 4 * i, 4);
        tableStart += 4 * count;
    } else if (layout.bits == 16) {
        layout.masks = {0x7c00, 0x03e0, 0x001f, 0};
    } else if (layout.bits == 32) {
        layout.masks = {0xff0000, 0xff00, 0xff, 0};
        // Masks a longer header carries are kept even without bit-fields, as Qt has always read them;
        // the plain 40-byte header's fourth byte is no alpha.
        if (!header.os2 && (header.field(40, 4) | header.field(44, 4) | header.field(48, 4)))
            layout.masks = {header.field(40, 4), header.field(44, 4), header.field(48, 4), header.field(52, 4)};
    }
    return true;
}

void placePalette(const Header& header, Layout& layout, qint64 tableStart, quint32 colours)
{
    const qint64 declared = layout.bits > 8 ? 0 : colours ? qint64(colours) : qint64(1) << layout.bits;
    const qint64 offset = readLittleEndian(header.data + 10, 4);
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
}

} // namespace

std::optional<Layout> readLayout(QByteArrayView bytes)
{
    const std::optional<Header> header = readHeader(bytes);
    if (!header)
        return std::nullopt;
    quint32 colours = 0;
    std::optional<Layout> layout = readShape(*header, colours);
    qint64 tableStart = header->end();
    if (!layout || !readMasks(*header, *layout, tableStart))
        return std::nullopt;
    placePalette(*header, *layout, tableStart, colours);
    return layout;
}

quint32 readLittleEndian(const uchar* at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

} // namespace platform::bitmap
