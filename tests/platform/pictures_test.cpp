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
#include <QFile>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include "support/bad_bitmaps.h"
#include "support/sandbox.h"

namespace {

using platform::ImageBox;
using testsupport::PortraitSandbox;

// The malformed bitmaps as files, and files that are no bitmap at all.
TEST(Pictures, BitmapsDecodeUprightAtTheirSizeAndAnythingElseGivesANullImageWithoutHanging)
{
    PortraitSandbox s;
    const auto oneBit = [](int width) { // black and white, 4096 rows; the cap is 4096 x 4096 pixels
        return testsupport::bitmapFile({width, 4096, 1, 1, 0, 0, 40, -1, 8},
                                       QByteArray::fromHex("00000000ffffff00") +
                                           QByteArray((width + 31) / 32 * 4 * 4096, 0));
    };
    ASSERT_EQ(::mkfifo(QFile::encodeName(s.filePath("pipe.bmp")), 0644), 0);
    std::vector<std::tuple<std::string, QString, QSize, std::optional<QRgb>>> rows = {
        {"AsQtWritesIt", s.addBitmap("qt.bmp", 110, 170, 0xff285ac8), {110, 170}, testsupport::markColour(0xff285ac8)},
        {"AtTheCap", s.addFile("c.bmp", oneBit(4096)), {4096, 4096}, qRgb(0, 0, 0)},
        {"AColumnOverTheCap", s.addFile("over.bmp", oneBit(4097)), {}, {}},
        {"TruncatedByAByte", s.addFile("cut.bmp", oneBit(4096).chopped(1)), {}, {}},
        {"Missing", s.filePath("missing.bmp"), {}, {}},
        {"Directory", s.addDirectory("dir.bmp"), {}, {}},
        {"FifoWithoutAWriter", s.filePath("pipe.bmp"), {}, {}},
    };
    for (const testsupport::BadBitmap& bad : testsupport::badBitmaps())
        rows.emplace_back(bad.name, s.addFile(bad.name, bad.bytes), bad.blank ? QSize() : QSize(4, 4), bad.topLeft);
    for (const auto& [name, path, size, topLeft] : rows) {
        auto decoding = std::async(std::launch::async, platform::decodeBitmap, path);
        if (decoding.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ADD_FAILURE() << name << " hangs";
            ::close(::open(QFile::encodeName(path), O_WRONLY | O_NONBLOCK)); // lets a reader stuck on the FIFO go
        }
        const QImage image = decoding.get();
        EXPECT_EQ(std::pair(image.size(), topLeft ? std::optional(image.pixel(0, 0)) : std::nullopt),
                  std::pair(size.isValid() ? size : QSize(0, 0), topLeft))
            << name;
    }
}

TEST(PictureCache, DecodesOnceAfreshWhenAFileChangesAndKeepsTheLatestWithinItsBudget)
{
    PortraitSandbox s;
    platform::PictureCache cache(3 * 100 * 100 * 4);
    const QString path = s.addBitmap("p.bmp", 100, 100, qRgb(255, 0, 0));
    EXPECT_EQ(cache.load(path).cacheKey(), cache.load(path).cacheKey());
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
    EXPECT_TRUE(cache.heldBytes() <= 3 * 100 * 100 * 4 && cache.heldBytes() >= 2 * 100 * 100 * 4);
    EXPECT_EQ(
        std::pair(cache.load(s.filePath("p4.bmp")).cacheKey(), cache.load(s.filePath("p1.bmp")).cacheKey() == keys[0]),
        std::pair(keys[3], false));                                          // the oldest made room
    EXPECT_FALSE(cache.load(s.addBitmap("huge.bmp", 400, 400, 0)).isNull()); // shown, though never kept
    EXPECT_LE(cache.heldBytes(), 3 * 100 * 100 * 4);
    QFile::remove(path);
    EXPECT_TRUE(cache.load(path).isNull());
}

TEST(ImageBox, TakesThePictureSizeInItsLineUnlessStretchedOrBlank)
{
    QImage picture(10, 6, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    for (const auto& [fit, shown, size] : {std::tuple{ImageBox::Fit::Natural, picture, QSize(14, 10)},
                                           {ImageBox::Fit::Natural, QImage(), QSize(40, 30)},
                                           {ImageBox::Fit::Stretch, picture, QSize(40, 30)}}) {
        ImageBox box(QSize(40, 30), nullptr, fit);
        box.setPicture(shown);
        EXPECT_EQ(std::tuple(box.size(), box.naturalSize(), box.picture().cacheKey()),
                  std::tuple(size, size, shown.cacheKey())); // held, not copied
    }
    // Unstretched, drawn at its own size inside a one-pixel line, two pixels from the edge.
    ImageBox box(QSize(40, 40), nullptr);
    box.setPicture(picture);
    const QImage grabbed = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage expected(14, 10, QImage::Format_RGB32);
    expected.fill(grabbed.pixel(1, 1));
    QPainter painter(&expected);
    painter.setPen(box.palette().color(QPalette::WindowText));
    painter.drawRect(0, 0, 13, 9);
    painter.drawImage(2, 2, picture);
    painter.end();
    EXPECT_TRUE(grabbed == expected && grabbed.pixel(1, 1) != grabbed.pixel(0, 0));
}

// Mouse events in turn, one letter each, and the signals they fire: p press, r release, d double-click,
// capitals with the right button, o a left release outside, m a move.
TEST(ImageBox, ClicksAreLeftReleasesInsideAndTheReleaseEndingADoubleClickIsNone)
{
    const std::pair<const char*, QStringList> rows[] = {
        {"pr", {"click"}},  {"PR", {}},      {"po", {}}, {"rdrr", {"click", "double", "click"}},
        {"DRr", {"click"}}, {"m", {"move"}},
    };
    const std::map<char, QEvent::Type> types = {{'p', QEvent::MouseButtonPress},
                                                {'r', QEvent::MouseButtonRelease},
                                                {'o', QEvent::MouseButtonRelease},
                                                {'d', QEvent::MouseButtonDblClick},
                                                {'m', QEvent::MouseMove}};
    for (const auto& [events, fired] : rows) {
        ImageBox box(QSize(40, 40), nullptr);
        QStringList seen;
        QObject::connect(&box, &ImageBox::Click, [&] { seen << "click"; });
        QObject::connect(&box, &ImageBox::DblClick, [&] { seen << "double"; });
        QObject::connect(&box, &ImageBox::MouseMove, [&] { seen << "move"; });
        for (const char* e = events; *e; ++e) {
            const QEvent::Type type = types.at(char(std::tolower(*e)));
            const Qt::MouseButton button = std::isupper(*e) ? Qt::RightButton
                                           : *e == 'm'      ? Qt::NoButton
                                                            : Qt::LeftButton;
            const QPoint at(*e == 'o' ? 50 : 5, 5);
            QMouseEvent event(type, at, box.mapToGlobal(at), button, button, Qt::NoModifier);
            QCoreApplication::sendEvent(&box, &event);
        }
        EXPECT_EQ(seen, fired) << events;
    }
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
