#include "platform/controls/image_box.h"
#include "platform/os/picture_cache.h"
#include "platform/os/pictures.h"

#include <cctype>
#include <ctime>
#include <future>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include "support/sandbox.h"

namespace {

using platform::ImageBox;
using testsupport::PortraitSandbox;

// What the headers of a Windows bitmap claim, true or not. An offset of -1 points right after the
// headers and `paletteBytes` of palette.
struct BitmapHeader {
    qint32 width = 4, height = 4;
    quint16 planes = 1, bits = 24;
    quint32 compression = 0, colours = 0, headerSize = 40;
    qint64 offset = -1, paletteBytes = 0;
};

// The headers as written, with a 40-byte info header, then `rest` (palette and pixels) verbatim.
QByteArray bitmapFile(const BitmapHeader& h, const QByteArray& rest)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0x4d42) << quint32(14 + 40 + rest.size()) << quint32(0)
      << quint32(h.offset >= 0 ? h.offset : 14 + 40 + h.paletteBytes) << h.headerSize << h.width << h.height << h.planes
      << h.bits << h.compression << quint32(rest.size()) << qint32(2835) << qint32(2835) << h.colours << quint32(0);
    return out + rest;
}

// Bitmaps that are malformed, each refused by a check of its own or decoded as far as it goes, valid ones,
// and files that are no bitmap at all.
TEST(Pictures, BitmapsDecodeUprightAtTheirSizeAndAnythingElseGivesANullImageWithoutHanging)
{
    PortraitSandbox s;
    auto file = [&s, n = 0](const QByteArray& bytes) mutable { return s.addFile(QString("%1.bmp").arg(++n), bytes); };
    const auto oneBit = [](int width) { // black and white, 4096 rows; the cap is 4096 x 4096 pixels
        return bitmapFile({width, 4096, 1, 1, 0, 0, 40, -1, 8},
                          QByteArray::fromHex("00000000ffffff00") + QByteArray((width + 31) / 32 * 16384, 0));
    };
    // 4 x 4 at 24 bits, rows of 12 bytes; the first pixel stored is red, the others grey.
    const QByteArray fine = QByteArray("\0\0\xff", 3) + QByteArray(45, '\x5a');
    const auto with = [&](BitmapHeader h) { return file(bitmapFile(h, fine)); };
    const QByteArray valid = bitmapFile({}, fine);
    // OS/2 core header: 12 bytes, 16-bit sizes.
    const QByteArray core = QByteArray::fromHex("424d4a000000000000001a0000000c0000000400040001001800");
    // Eight bits a pixel, a palette of two colours and runs far past the picture: compressed rows have no
    // size to check, so they are left to the reader.
    const QByteArray runs =
        bitmapFile({4, 4, 1, 8, 1, 2, 40, -1, 8}, QByteArray::fromHex("00000000ffffff00ff01ff01ff010001"));
    const QRgb grey = qRgb(90, 90, 90), colour = 0xff285ac8;
    ASSERT_EQ(::mkfifo(QFile::encodeName(s.filePath("pipe.bmp")), 0644), 0);
    // clang-format off
    const std::tuple<const char*, QString, QSize, std::optional<QRgb>> rows[] = {
        {"AsQtWritesIt", s.addBitmap("qt.bmp", 110, 170, colour), {110, 170}, testsupport::markColour(colour)},
        {"AtTheCap", file(oneBit(4096)), {4096, 4096}, qRgb(0, 0, 0)}, {"AColumnOverTheCap", file(oneBit(4097)), {}, {}},
        {"TruncatedByAByte", file(oneBit(4096).chopped(1)), {}, {}}, {"Missing", s.filePath("missing.bmp"), {}, {}},
        {"Directory", s.addDirectory("dir.bmp"), {}, {}}, {"FifoWithoutAWriter", s.filePath("pipe.bmp"), {}, {}},
        {"PortableNetworkGraphic", s.addBitmap("png.bmp", 4, 4, colour, "PNG"), {}, {}}, {"SignatureAlone", file("BM"), {}, {}},
        {"TruncatedInfoHeader", file(valid.left(30)), {}, {}}, {"WidthZero", with({0, 4}), {}, {}}, {"HeightZero", with({4, 0}), {}, {}},
        {"HeightIntMin", with({4, qint32(0x80000000)}), {}, {}}, {"HeaderSizeZero", with({4, 4, 1, 24, 0, 0, 0}), {}, {}},
        {"OffsetPastTheEnd", with({4, 4, 1, 24, 0, 0, 40, 100000}), {}, {}}, {"HeaderSizeTwoHundred", with({4, 4, 1, 24, 0, 0, 200}), {}, {}},
        {"BitFieldsTruncated", file(bitmapFile({4, 4, 1, 32, 3}, QByteArray(5, '\xff'))), {}, {}}, {"Os2CoreHeaderTruncated", file(core.left(20)), {}, {}},
        {"OffsetInsideTheHeader", with({4, 4, 1, 24, 0, 0, 40, 10}), {4, 4}, {}}, {"Rle8RunOverruns", file(runs), {4, 4}, {}},
        // Stored bottom-up unless the height is negative.
        {"Os2CoreHeader", file(core + fine), {4, 4}, grey}, {"ValidBottomUp", file(valid), {4, 4}, grey}, {"ValidTopDown", with({4, -4}), {4, 4}, qRgb(255, 0, 0)},
    };
    // clang-format on
    for (const auto& [name, path, size, topLeft] : rows) {
        auto decoding = std::async(std::launch::async, platform::decodeBitmap, path);
        if (decoding.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ADD_FAILURE() << name << " hangs";
            ::close(::open(QFile::encodeName(path), O_WRONLY | O_NONBLOCK)); // lets a reader stuck on the FIFO go
        }
        const QImage image = decoding.get();
        EXPECT_EQ(std::pair(image.isNull() ? QSize() : image.size(),
                            topLeft ? std::optional(image.pixel(0, 0)) : std::nullopt),
                  std::pair(size, topLeft))
            << name;
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

// Mouse events in turn, one letter each, and the signals they fire: p press, r release, d double-click,
// capitals with the right button, o a left release outside, m a move.
TEST(ImageBox, ClicksAreLeftReleasesInsideAndTheReleaseEndingADoubleClickIsNone)
{
    // clang-format off
    const std::map<char, QEvent::Type> types = {{'p', QEvent::MouseButtonPress}, {'r', QEvent::MouseButtonRelease},
        {'o', QEvent::MouseButtonRelease}, {'d', QEvent::MouseButtonDblClick}, {'m', QEvent::MouseMove}};
    for (const auto& [events, fired] : {std::pair<const char*, QStringList>{"pr", {"click"}}, {"PR", {}}, {"po", {}},
                                        {"rdrr", {"click", "double", "click"}}, {"DRr", {"click"}}, {"m", {"move"}}}) {
        // clang-format on
        ImageBox box(QSize(40, 40), nullptr);
        QStringList seen;
        QObject::connect(&box, &ImageBox::Click, [&] { seen << "click"; });
        QObject::connect(&box, &ImageBox::DblClick, [&] { seen << "double"; });
        QObject::connect(&box, &ImageBox::MouseMove, [&] { seen << "move"; });
        for (const char* e = events; *e; ++e) {
            const auto button = std::isupper(*e) ? Qt::RightButton : *e == 'm' ? Qt::NoButton : Qt::LeftButton;
            const QPoint at(*e == 'o' ? 50 : 5, 5);
            QMouseEvent event(types.at(char(std::tolower(*e))), at, box.mapToGlobal(at), button, button, {});
            QCoreApplication::sendEvent(&box, &event);
        }
        EXPECT_EQ(seen, fired) << events;
    }
}

TEST(ImageBox, TakesThePictureSizeInItsLineUnlessStretchedOrBlank)
{
    QImage stripes(8, 4, QImage::Format_RGB32);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 4; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    ImageBox box(QSize(40, 40), nullptr);
    box.setPicture(stripes);
    EXPECT_EQ(std::pair(box.naturalSize(), box.picture().cacheKey()), std::pair(QSize(12, 8), stripes.cacheKey()));
    // Drawn at its own size inside a one-pixel line, two pixels from the edge.
    QImage expected(12, 8, QImage::Format_RGB32);
    expected.fill(box.palette().color(QPalette::Window));
    QPainter painter(&expected);
    painter.setPen(box.palette().color(QPalette::WindowText));
    painter.drawRect(0, 0, 11, 7);
    painter.drawImage(2, 2, stripes);
    painter.end();
    EXPECT_EQ(box.grab().toImage().convertToFormat(QImage::Format_RGB32), expected);
    for (const auto& [fit, picture] :
         {std::pair{ImageBox::Fit::Natural, QImage()}, {ImageBox::Fit::Stretch, stripes}}) {
        ImageBox other(QSize(40, 30), nullptr, fit);
        other.setPicture(picture);
        EXPECT_EQ(std::pair(other.size(), other.naturalSize()), std::pair(QSize(40, 30), QSize(40, 30)));
    }
}

} // namespace
