#include "platform/os/picture_cache.h"
#include "platform/os/pictures.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <future>
#include <optional>
#include <random>

#include <malloc.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

#include "support/bitmap_file.h"
#include "support/sandbox.h"

namespace {

using testsupport::bitmapFile;
using testsupport::BitmapHeader;
using testsupport::PortraitSandbox;

// 4 x 4 at 24 bits, rows of 12 bytes; the first pixel stored is red, the others grey.
const QByteArray fine = QByteArray("\0\0\xff", 3) + QByteArray(45, '\x5a');
const auto with = [](BitmapHeader h) { return bitmapFile(h, fine); };
// Black and white, 4096 rows; the cap is 4096 x 4096 pixels.
const auto oneBit = [](int width) {
    return bitmapFile({width, 4096, 1, 1, 0, 0, 40, -1, 8},
                      QByteArray::fromHex("00000000ffffff00") + QByteArray((width + 31) / 32 * 16384, 0));
};
// Eight bits a pixel, a palette of two colours, and runs far past the picture's edge; then a kilobyte
// that claims the largest picture and ends at once, all of it transparent.
const auto runsOfTwo = [](qint32 size, const char* codes) {
    return bitmapFile({size, size, 1, 8, 1, 2, 40, -1, 8},
                      QByteArray::fromHex("00000000ffffff00") + QByteArray::fromHex(codes).leftJustified(1000, 0));
};
// OS/2 core header: 12 bytes, 16-bit sizes.
const QByteArray core = QByteArray::fromHex("424d4a000000000000001a0000000c0000000400040001001800");
const QRgb qtColour = 0xff285ac8;
using Make = std::function<QString(PortraitSandbox&)>;

struct Malformed {
    const char* name;
    QByteArray bytes = {}; // of NAME.bmp
    Make make = {};        // what is made instead of it
    QSize size = {};       // none for a null image
    std::optional<QRgb> topLeft = {};
};
const Malformed malformed[] = {
    {.name = "AsQtWritesIt",
     .make = [](auto& s) { return s.addBitmap("qt.bmp", 110, 170, qtColour); },
     .size = {110, 170},
     .topLeft = testsupport::markColour(qtColour)},
    {.name = "AtTheCap", .bytes = oneBit(4096), .size = {4096, 4096}, .topLeft = qRgb(0, 0, 0)},
    {.name = "AColumnOverTheCap", .bytes = oneBit(4097)},
    {.name = "TruncatedByAByte", .bytes = oneBit(4096).chopped(1)},
    {.name = "Missing", .make = [](auto& s) { return s.filePath("missing.bmp"); }},
    {.name = "Directory", .make = [](auto& s) { return s.addDirectory("dir.bmp"); }},
    {.name = "FifoWithoutAWriter", .make = [](auto& s) { return s.addFifo("pipe.bmp"); }},
    {.name = "PortableNetworkGraphic", .make = [](auto& s) { return s.addBitmap("png.bmp", 4, 4, qtColour, "PNG"); }},
    {.name = "SignatureAlone", .bytes = "BM"},
    {.name = "TruncatedInfoHeader", .bytes = with({}).left(30)},
    {.name = "WidthZero", .bytes = with({0, 4})},
    {.name = "HeightZero", .bytes = with({4, 0})},
    {.name = "HeightIntMin", .bytes = with({4, qint32(0x80000000)})},
    {.name = "HeaderSizeZero", .bytes = with({4, 4, 1, 24, 0, 0, 0})},
    {.name = "OffsetPastTheEnd", .bytes = with({4, 4, 1, 24, 0, 0, 40, 100000})},
    {.name = "HeaderSizeTwoHundred", .bytes = with({4, 4, 1, 24, 0, 0, 200})},
    {.name = "BitFieldsTruncated", .bytes = bitmapFile({4, 4, 1, 32, 3}, QByteArray(5, '\xff'))},
    {.name = "Os2CoreHeaderTruncated", .bytes = core.left(20)},
    {.name = "OffsetInsideTheHeader", .bytes = with({4, 4, 1, 24, 0, 0, 40, 10}), .size = {4, 4}},
    {.name = "Rle8RunOverruns", .bytes = runsOfTwo(4, "ff01ff01ff010001"), .size = {4, 4}},
    {.name = "Rle8ClaimingTheCap", .bytes = runsOfTwo(4096, "0001"), .size = {4096, 4096}, .topLeft = 0},
};

// Bitmaps that are malformed, each refused by a check of its own or decoded as far as it goes, valid ones,
// and files that are no bitmap at all.
class DecodingAnyFile : public testing::TestWithParam<Malformed> {};

TEST_P(DecodingAnyFile, GivesThePictureUprightAtItsSizeOrANullImageWithoutHanging)
{
    const Malformed& row = GetParam();
    PortraitSandbox s;
    const QString path = row.make ? row.make(s) : s.addFile(QStringLiteral("%1.bmp").arg(row.name), row.bytes);
    auto decoding = std::async(std::launch::async, platform::decodeBitmap, path);
    if (decoding.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "it hangs";
        ::close(::open(QFile::encodeName(path), O_WRONLY | O_NONBLOCK)); // lets a reader stuck on the FIFO go
    }
    const QImage image = decoding.get();
    EXPECT_EQ(std::pair(image.isNull() ? QSize() : image.size(),
                        row.topLeft ? std::optional(image.pixel(0, 0)) : std::nullopt),
              std::pair(row.size, row.topLeft));
}

INSTANTIATE_TEST_SUITE_P(Files, DecodingAnyFile, testing::ValuesIn(malformed),
                         [](auto& info) { return std::string(info.param.name); });

using testsupport::bitmapPalette;
constexpr QRgb R = 0xffff0000, G = 0xff00ff00, B = 0xff0000ff, W = 0xffffffff, K = 0xff000000, T = 0;
const QByteArray four = bitmapPalette({0xff0000, 0x00ff00, 0x0000ff, 0xffffff});
const auto header = [](quint16 bits, quint32 size = 40, quint32 compression = 0, std::vector<quint32> masks = {},
                       quint32 colours = 0, qint32 height = 2) {
    return BitmapHeader{3, height, 1, bits, compression, colours, size, -1, 0, std::move(masks)};
};
const auto indexed = [](BitmapHeader h, const QByteArray& palette, const std::vector<quint64>& values) {
    h.paletteBytes = palette.size();
    return bitmapFile(h, palette + testsupport::bitmapRows(3, h.bits, values));
};
const auto direct = [](const BitmapHeader& h, const std::vector<quint64>& values) { return indexed(h, {}, values); };
const auto runs = [](quint16 bits, quint32 compression, const char* codes) {
    BitmapHeader h = header(bits, 40, compression, {}, 4);
    h.paletteBytes = four.size();
    return bitmapFile(h, four + QByteArray::fromHex(codes));
};
// 64 bits: blue, green, red, alpha, 8192 for 1.0.
const auto wide = [](qint16 r, qint16 g, qint16 b, qint16 a) {
    return quint64(quint16(b)) | quint64(quint16(g)) << 16 | quint64(quint16(r)) << 32 | quint64(quint16(a)) << 48;
};
const std::vector<quint64> trueColours = {0xff0000, 0x00ff00, 0x0000ff, 0xffffff, 0, 0x123456};
const std::vector<QRgb> shownTrue = {R, G, B, W, K, 0xff123456};
const std::vector<quint64> argb = {0xffff0000, 0x8000ff00, 0x000000ff, 0xffffffff, 0xff000000, 0x40123456};
const std::vector<QRgb> shownArgb(argb.begin(), argb.end());
const std::vector<quint32> eightBitMasks = {0xff0000, 0xff00, 0xff, 0xff000000};

using Pixels = std::vector<QRgb>; // 3 x 2, top row first; none for a picture that stays blank
struct Variant {
    const char* name;
    QByteArray bytes;
    Pixels pixels;
};
const Variant variants[] = {
    {"OneBit", indexed(header(1), bitmapPalette({0xff0000, 0xffffff}), {0, 1, 1, 1, 0, 0}), Pixels{R, W, W, W, R, R}},
    {"TwoBitsAsWindowsCeWritesThem", indexed(header(2), four, {0, 1, 2, 3, 2, 1}), Pixels{R, G, B, W, B, G}},
    {"FourBits", indexed(header(4, 40, 0, {}, 4), four, {3, 0, 1, 2, 3, 0}), Pixels{W, R, G, B, W, R}},
    {"EightBits", indexed(header(8, 40, 0, {}, 4), four, {0, 1, 2, 3, 0, 1}), Pixels{R, G, B, W, R, G}},
    {"IndicesPastTheColoursUsedAreBlack", indexed(header(8, 40, 0, {}, 2), four.left(8), {0, 1, 2, 3, 255, 1}),
     Pixels{R, G, K, K, K, G}},
    {"PaletteCutShortByThePixelsOffset", indexed(header(4), four.left(8), {0, 1, 2, 3, 0, 1}),
     Pixels{R, G, K, K, R, G}},
    {"Os2CoreHeader", indexed(header(1, 12), bitmapPalette({0xff0000, 0xffffff}, 3), {0, 1, 1, 1, 0, 0}),
     Pixels{R, W, W, W, R, R}},
    {"Os2CoreHeaderShortPalette",
     indexed(header(8, 12), bitmapPalette({0xff0000, 0x00ff00, 0x0000ff, 0xffffff}, 3), {0, 1, 2, 3, 0, 1}),
     Pixels{R, G, B, W, R, G}},
    {"Os2SixteenByteHeader", direct(header(24, 16), trueColours), shownTrue},
    {"Os2SixtyFourByteHeader", indexed(header(4, 64), four, {3, 0, 1, 2, 3, 0}), Pixels{W, R, G, B, W, R}},
    {"Os2HuffmanIsBlank", indexed(header(1, 64, 3), four.left(8), {0, 1, 1, 1, 0, 0}), Pixels{}},
    {"TwentyFourBits", direct(header(24), trueColours), shownTrue},
    // Stored top row first: listed here bottom row first.
    {"TwentyFourBitsTopDown",
     direct(header(24, 40, 0, {}, 0, -2), {0xffffff, 0, 0x123456, 0xff0000, 0x00ff00, 0x0000ff}), shownTrue},
    {"EmbeddedJpegIsBlank", direct(header(24, 40, 4), trueColours), Pixels{}},
    {"ThirtyTwoBitsOfAPlainHeaderAreOpaque", direct(header(32), argb), Pixels{R, G, B, W, K, 0xff123456}},
    {"SixteenBitsPlainAreX1R5G5B5", direct(header(16), {0x7c00, 0x03e0, 0x001f, 0xffff, 0x8000, 0x4210}),
     Pixels{R, G, B, W, K, 0xff848484}},
    {"R5G6B5InAV3Header",
     direct(header(16, 56, 3, {0xf800, 0x07e0, 0x001f, 0}), {0xf800, 0x07e0, 0x001f, 0xffff, 0, 0x8410}),
     Pixels{R, G, B, W, K, 0xff848284}},
    {"A1R5G5B5InAV3Header",
     direct(header(16, 56, 3, {0x7c00, 0x03e0, 0x001f, 0x8000}), {0xfc00, 0x83e0, 0x801f, 0xffff, 0x7fff, 0x4210}),
     Pixels{R, G, B, W, 0x00ffffff, 0x00848484}},
    {"A8R8G8B8InAV3Header", direct(header(32, 56, 3, eightBitMasks), argb), shownArgb},
    {"X8R8G8B8InAV3Header", direct(header(32, 56, 3, {0xff0000, 0xff00, 0xff, 0}), argb),
     Pixels{R, G, B, W, K, 0xff123456}},
    {"V2HeaderHasNoAlpha", direct(header(32, 52, 3, eightBitMasks), argb), Pixels{R, G, B, W, K, 0xff123456}},
    {"A4R4G4B4InAV4Header",
     direct(header(16, 108, 3, {0x0f00, 0x00f0, 0x000f, 0xf000}), {0xff00, 0xf0f0, 0x800f, 0xffff, 0, 0xf888}),
     Pixels{R, G, 0x880000ff, W, T, 0xff888888}},
    {"X4R4G4B4InAV5Header",
     direct(header(16, 124, 3, {0x0f00, 0x00f0, 0x000f, 0}), {0x0f00, 0x00f0, 0x000f, 0x0fff, 0xf000, 0x0888}),
     Pixels{R, G, B, W, K, 0xff888888}},
    {"A8R8G8B8InAV5Header", direct(header(32, 124, 3, eightBitMasks), argb), shownArgb},
    {"V5MasksWithoutBitFields", direct(header(32, 124, 0, eightBitMasks), argb), shownArgb},
    {"AlphaBitFieldsAfterAPlainHeader", direct(header(32, 40, 6, eightBitMasks), argb), shownArgb},
    {"AChannelWithoutAMaskIsZero",
     direct(header(16, 124, 3, {0x7c00, 0, 0x001f, 0}), {0x7c00, 0x03e0, 0x001f, 0xffff, 0, 0x4210}),
     Pixels{R, K, B, 0xffff00ff, K, 0xff840084}},
    {"ChannelsOfOneTwoAndThreeBits",
     direct(header(16, 124, 3, {0x0007, 0x0018, 0x0020, 0x0040}), {0x007f, 0x0040, 0x0004, 0x0050, 0x0060, 0}),
     Pixels{W, K, 0x00920000, 0xff00aa00, B, T}},
    {"ChannelsOfTenAndElevenBits",
     direct(header(32, 40, 3, {0xffc00000, 0x003ff800, 0x000007ff}),
            {0xffffffff, 0x80000000, 0x00200000, 0x00000001, 0x000007ff, 0x00000400}),
     Pixels{W, 0xff800000, 0xff008000, K, B, 0xff000080}},
    {"ChannelsOfSixAndSixteenBits",
     direct(header(32, 40, 3, {0xffff0000, 0x0000fc00, 0x000003ff}),
            {0x80000000, 0xffffffff, 0x00008000, 0x00000200, 0x00010000, 0}),
     Pixels{0xff800000, W, 0xff008200, 0xff000080, K, K}},
    {.name = "SixtyFourBitsInLinearLight",
     .bytes = direct(header(64), {wide(8192, 0, 0, 8192), wide(4096, 4096, 4096, 8192), wide(8192, 8192, 8192, 0),
                                  wide(0, 0, 0, 4096), wide(16384, -8192, 1, 8192), wide(0, 0, 0, 8192)}),
     .pixels = {R, 0xffbcbcbc, 0x00ffffff, 0x80000000, R, K}},
    // Bottom row first: a run of red; end of line; a step right; a run of blue; end of picture; a run
    // past its end.
    {.name = "Rle8DeltaAndEndOfLineSkipPixels",
     .bytes = runs(8, 1,
                   "0100"
                   "0000"
                   "00020100"
                   "0102"
                   "0001"
                   "0302"),
     .pixels = {T, B, T, R, T, T}},
    {.name = "Rle8RowsPastTheLastAreLeftOut",
     .bytes = runs(8, 1,
                   "0300"
                   "0000"
                   "0301"
                   "0000"
                   "0302"),
     .pixels = {G, G, G, R, R, R}},
    {"Rle8EndingEarly", runs(8, 1, "0201"), Pixels{T, T, T, G, G, T}},
    {.name = "Rle8AsEditorsWriteIt",
     .bytes = runs(8, 1,
                   "0003000102"
                   "00"
                   "0000"
                   "0303"
                   "0000"
                   "0001"),
     .pixels = {W, W, W, R, G, B}},
    {.name = "Rle4RunsOfStoredPixelsEndOnAWord",
     .bytes = runs(4, 2,
                   "0005123000"
                   "00"
                   "0000"
                   "0203"
                   "0001"),
     .pixels = {R, W, T, G, B, W}},
};

// Every variant editors write, checked pixel for pixel. Fresh memory is filled with a pattern (by glibc
// here, by AddressSanitizer in the sanitizer build), so that a pixel the decoder never wrote shows.
class EveryVariant : public testing::TestWithParam<Variant> {
    void SetUp() override { mallopt(M_PERTURB, 0xa5); }
    void TearDown() override { mallopt(M_PERTURB, 0); }
};

TEST_P(EveryVariant, ShowsEachPixelAsItsFileSays)
{
    const Variant& row = GetParam();
    PortraitSandbox s;
    const QImage image = platform::decodeBitmap(s.addFile(QStringLiteral("%1.bmp").arg(row.name), row.bytes));
    std::vector<QRgb> pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            pixels.push_back(image.pixel(x, y));
    EXPECT_EQ(std::pair(image.isNull() ? QSize() : image.size(), pixels),
              std::pair(row.pixels.empty() ? QSize() : QSize(3, 2), row.pixels));
}

INSTANTIATE_TEST_SUITE_P(Bitmaps, EveryVariant, testing::ValuesIn(variants),
                         [](auto& info) { return std::string(info.param.name); });

// Qt's own reader, on the kinds it reads right, as a reference nobody here wrote: random pixels at
// widths that leave every padding, bottom-up and top-down.
TEST(Pictures, AgreesWithQtsReaderOnTheKindsItReadsRight)
{
    std::mt19937 random(2026);
    const auto noise = [&](qint64 count) {
        QByteArray bytes(count, Qt::Uninitialized);
        std::generate(bytes.begin(), bytes.end(), [&] { return char(random()); });
        return bytes;
    };
    for (const quint16 bits : {1, 4, 8, 24, 32})
        for (const int width : {1, 2, 3, 5, 7, 38, 110}) {
            const qint32 height = width % 2 ? 5 : -5;
            const QByteArray palette = bits <= 8 ? noise(4 << bits) : QByteArray();
            const QByteArray file = bitmapFile({width, height, 1, bits, 0, 0, 40, -1, palette.size()},
                                               palette + noise((width * bits + 31) / 32 * 4 * 5));
            QBuffer buffer;
            buffer.setData(file);
            const QImage reference = QImageReader(&buffer, "bmp").read();
            ASSERT_FALSE(reference.isNull()) << bits << " bits, " << width << " wide";
            EXPECT_EQ(platform::decodeBitmapBytes(file).convertToFormat(QImage::Format_ARGB32),
                      reference.convertToFormat(QImage::Format_ARGB32))
                << bits << " bits, " << width << " wide";
        }
}

TEST(PictureCache, DecodesOnceAfreshWhenAFileChangesAndKeepsTheLatestWithinItsBudget)
{
    PortraitSandbox s;
    constexpr int picture = 100 * 100 * 4;
    platform::PictureCache cache(3 * picture);
    const auto key = [&](const QString& name) { return cache.load(s.filePath(name)).cacheKey(); };
    const QString path = s.addBitmap("p.bmp", 100, 100, qRgb(255, 0, 0));
    EXPECT_EQ(key("p.bmp"), key("p.bmp"));
    // Same size, new content, a later modification time; then newer content with that time put back,
    // which only the change time tells.
    const timespec later[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 60, 0}};
    for (const QRgb colour : {qRgb(0, 0, 255), qRgb(0, 255, 0)}) {
        s.addBitmap("p.bmp", 100, 100, colour);
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), later, 0), 0);
        EXPECT_EQ(cache.load(path).pixel(5, 5), colour);
    }
    std::vector<qint64> keys;
    for (int i = 1; i <= 4; ++i)
        keys.push_back(cache.load(s.addBitmap(QStringLiteral("p%1.bmp").arg(i), 100, 100, qRgb(i, 0, 0))).cacheKey());
    EXPECT_TRUE(cache.heldBytes() <= 3 * picture && cache.heldBytes() >= 2 * picture);
    EXPECT_EQ(key("p4.bmp"), keys[3]);
    EXPECT_NE(key("p1.bmp"), keys[0]);                                       // the oldest made room
    EXPECT_FALSE(cache.load(s.addBitmap("huge.bmp", 400, 400, 0)).isNull()); // shown, though never kept
    EXPECT_LE(cache.heldBytes(), 3 * picture);
    QFile::remove(path);
    EXPECT_TRUE(cache.load(path).isNull());
}

} // namespace
