#include "platform/os/picture_cache.h"
#include "platform/os/pictures.h"

#include <chrono>
#include <ctime>
#include <future>
#include <tuple>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QSize>

#include <gtest/gtest.h>

#include "platform/controls/image_box.h"
#include "support/sandbox.h"

namespace {

using platform::decodeBitmap;
using testsupport::PortraitSandbox;

constexpr QRgb Fill = 0xff285ac8;

// A bitmap with a 40-byte header claiming width x height (negative: rows stored top-down), built by
// hand so that headers Qt would never write can be tried. The black and white palette is for one-bit
// pictures; the others skip it.
QByteArray bitmap(qint32 width, qint32 height, quint16 bits, const QByteArray& pixels)
{
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << quint16(0x4d42) << quint32(62 + pixels.size()) << quint32(0) << quint32(62) << quint32(40) << width
           << height << quint16(1) << bits << quint32(0) << quint32(pixels.size()) << quint64(0) << quint64(0);
    return out + QByteArray("\0\0\0\0\xff\xff\xff\0", 8) + pixels;
}

TEST(Pictures, BitmapsDecodeAtTheirSizeAndUpright)
{
    PortraitSandbox s;
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), black = qRgb(0, 0, 0);
    // clang-format off
    const std::tuple<const char*, QString, QSize, QRgb, QRgb> rows[] = {
        {"as Qt writes it", s.addBitmap("qt.bmp", 110, 170, Fill), {110, 170}, testsupport::markColour(Fill), Fill},
        {"top-down", s.addFile("d.bmp", bitmap(1, -2, 24, QByteArray("\0\0\xff\0\xff\0\0\0", 8))), {1, 2}, red, blue},
        {"at the cap", s.addFile("c.bmp", bitmap(4096, 4096, 1, QByteArray(512 * 4096, 0))), {4096, 4096}, black, black},
    };
    // clang-format on
    for (const auto& [name, path, size, topLeft, bottomRight] : rows) {
        SCOPED_TRACE(name);
        const QImage image = decodeBitmap(path);
        ASSERT_EQ(image.size(), size);
        EXPECT_EQ(image.pixel(0, 0), topLeft);
        EXPECT_EQ(image.pixel(size.width() - 1, size.height() - 1), bottomRight);
    }
}

TEST(Pictures, FilesThatAreNoUsableBitmapGiveANullImageWithoutHanging)
{
    PortraitSandbox s;
    ASSERT_EQ(::mkfifo(QFile::encodeName(s.filePath("pipe.bmp")), 0644), 0);
    // clang-format off
    const std::pair<const char*, QString> rows[] = {
        {"missing", s.filePath("missing.bmp")},
        {"empty", s.addFile("empty.bmp", {})},
        {"text", s.addFile("text.bmp", "Portraits go here.\n")},
        {"PNG renamed", s.addBitmap("png.bmp", 110, 170, Fill, "PNG")},
        {"directory", s.addDirectory("dir.bmp")},
        {"FIFO without a writer", s.filePath("pipe.bmp")},
        {"truncated by a byte", s.addFile("cut.bmp", bitmap(110, 170, 24, QByteArray(332 * 170, 0x40)).chopped(1))},
        {"header claiming 100000 x 100000", s.addFile("huge.bmp", bitmap(100000, 100000, 24, QByteArray(16, 0)))},
        {"a column over the cap", s.addFile("over.bmp", bitmap(4097, 4096, 1, QByteArray(516 * 4096, 0)))},
    };
    // clang-format on
    for (const auto& [name, path] : rows) {
        SCOPED_TRACE(name);
        auto decoded = std::async(std::launch::async, decodeBitmap, path);
        if (decoded.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ADD_FAILURE() << "decoding hangs";
            ::close(::open(QFile::encodeName(path), O_WRONLY | O_NONBLOCK)); // lets a reader stuck on the FIFO go
        }
        EXPECT_TRUE(decoded.get().isNull());
    }
}

TEST(PictureCache, ShowsAFileChangedOnDiskAfreshAndNothingForAVanishedOne)
{
    PortraitSandbox s;
    const QString path = s.addBitmap("p.bmp", 10, 10, qRgb(255, 0, 0));
    platform::PictureCache cache;
    EXPECT_EQ(cache.load(path).pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(cache.load(path).cacheKey(), cache.load(path).cacheKey()); // decoded once

    // Same size, new content: told apart by the modification time alone.
    s.addBitmap("p.bmp", 10, 10, qRgb(0, 0, 255));
    const timespec later[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), later, 0), 0);
    EXPECT_EQ(cache.load(path).pixel(5, 5), qRgb(0, 0, 255));

    // New content with the old modification time put back: the change time still tells.
    s.addBitmap("p.bmp", 10, 10, qRgb(0, 255, 0));
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), later, 0), 0);
    EXPECT_EQ(cache.load(path).pixel(5, 5), qRgb(0, 255, 0));

    QFile::remove(path);
    EXPECT_TRUE(cache.load(path).isNull());
}

TEST(PictureCache, HoldsNoMoreBytesThanItsBudget)
{
    PortraitSandbox s;
    const qint64 pictureBytes = 100 * 100 * 4;
    platform::PictureCache cache(3 * pictureBytes);
    QStringList paths;
    for (int i = 0; i < 5; ++i)
        paths << s.addBitmap(QStringLiteral("p%1.bmp").arg(i), 100, 100, qRgb(i, 0, 0));
    std::vector<qint64> keys;
    for (const QString& path : paths)
        keys.push_back(cache.load(path).cacheKey());
    EXPECT_LE(cache.heldBytes(), 3 * pictureBytes);
    EXPECT_GE(cache.heldBytes(), 2 * pictureBytes); // and it does hold what fits
    EXPECT_EQ(cache.load(paths[4]).cacheKey(), keys[4]); // the latest are kept
    EXPECT_NE(cache.load(paths[0]).cacheKey(), keys[0]); // the oldest made room

    const QString huge = s.addBitmap(QStringLiteral("huge.bmp"), 400, 400, qRgb(0, 0, 0));
    EXPECT_FALSE(cache.load(huge).isNull()); // shown, though never kept
    EXPECT_LE(cache.heldBytes(), 3 * pictureBytes);
}

// Unstretched, the picture is drawn at its own size inside a one-pixel line, and held, not copied.
TEST(ImageBox, ShowsItsPictureUnscaledInsideAOnePixelLine)
{
    QImage picture(10, 6, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    platform::ImageBox box(QSize(40, 40), nullptr);
    box.setPicture(picture);
    EXPECT_EQ(box.picture().cacheKey(), picture.cacheKey());
    ASSERT_EQ(box.size(), QSize(14, 10));
    const QImage shown = box.grab().toImage();
    const QRgb line = box.palette().color(QPalette::WindowText).rgb();
    const QRgb background = shown.pixel(1, 1);
    EXPECT_NE(background, line);
    for (const QPoint& at : {QPoint(0, 0), QPoint(7, 0), QPoint(13, 5), QPoint(7, 9), QPoint(0, 5), QPoint(13, 9)})
        EXPECT_EQ(shown.pixel(at), line) << at.x() << "," << at.y();
    for (const QPoint& at : {QPoint(1, 5), QPoint(12, 5), QPoint(7, 1), QPoint(7, 8)})
        EXPECT_EQ(shown.pixel(at), background) << at.x() << "," << at.y();
    EXPECT_EQ(shown.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(11, 7), qRgb(255, 0, 0));
}

TEST(ImageBox, KeepsPixelsCrispAtWholeScalesAndSmoothsFractionalOnes)
{
    QImage stripes(8, 4, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    platform::ImageBox box(QSize(40, 40), nullptr);
    box.setPicture(stripes);
    for (const auto& [ratio, smoothed] : {std::pair{1.0, false}, {2.0, false}, {1.25, true}, {1.5, true}}) {
        QImage shown((QSizeF(box.size()) * ratio).toSize(), QImage::Format_RGB32);
        shown.setDevicePixelRatio(ratio);
        box.render(&shown);
        bool grey = false;
        const int inside = int(2 * ratio);
        for (int x = inside; x < shown.width() - inside; ++x) {
            const int level = qRed(shown.pixel(x, shown.height() / 2));
            grey = grey || (level > 0 && level < 255);
        }
        EXPECT_EQ(grey, smoothed) << "scale " << ratio;
    }
}

} // namespace
