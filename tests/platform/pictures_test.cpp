#include "platform/controls/image_box.h"
#include "platform/os/picture_cache.h"
#include "platform/os/pictures.h"

#include <cctype>
#include <cstring>
#include <ctime>
#include <future>

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
                                           QByteArray((width + 31) / 32 * 16384, 0));
    };
    ASSERT_EQ(::mkfifo(QFile::encodeName(s.filePath("pipe.bmp")), 0644), 0);
    // clang-format off
    std::vector<std::tuple<std::string, QString, QSize, std::optional<QRgb>>> rows = {
        {"AsQtWritesIt", s.addBitmap("qt.bmp", 110, 170, 0xff285ac8), {110, 170}, testsupport::markColour(0xff285ac8)},
        {"AtTheCap", s.addFile("c.bmp", oneBit(4096)), {4096, 4096}, qRgb(0, 0, 0)}, {"AColumnOverTheCap", s.addFile("over.bmp", oneBit(4097)), {0, 0}, {}},
        {"TruncatedByAByte", s.addFile("cut.bmp", oneBit(4096).chopped(1)), {0, 0}, {}}, {"Missing", s.filePath("missing.bmp"), {0, 0}, {}},
        {"Directory", s.addDirectory("dir.bmp"), {0, 0}, {}}, {"FifoWithoutAWriter", s.filePath("pipe.bmp"), {0, 0}, {}},
    };
    // clang-format on
    for (const testsupport::BadBitmap& bad : testsupport::badBitmaps())
        rows.emplace_back(bad.name, s.addFile(bad.name, bad.bytes), bad.blank ? QSize(0, 0) : QSize(4, 4), bad.topLeft);
    for (const auto& [name, path, size, topLeft] : rows) {
        auto decoding = std::async(std::launch::async, platform::decodeBitmap, path);
        if (decoding.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ADD_FAILURE() << name << " hangs";
            ::close(::open(QFile::encodeName(path), O_WRONLY | O_NONBLOCK)); // lets a reader stuck on the FIFO go
        }
        const QImage image = decoding.get();
        EXPECT_EQ(std::pair(image.size(), topLeft ? std::optional(image.pixel(0, 0)) : std::nullopt),
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
}

// Mouse events in turn, one letter each, and the signals they fire: p press, r release, d double-click,
// capitals with the right button, o a left release outside, m a move.
TEST(ImageBox, ClicksAreLeftReleasesInsideAndTheReleaseEndingADoubleClickIsNone)
{
    constexpr const char* letters = "prodm";
    const QEvent::Type types[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseMove};
    // clang-format off
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
            QMouseEvent event(types[std::strchr(letters, std::tolower(*e)) - letters], at, box.mapToGlobal(at), button,
                              button, Qt::NoModifier);
            QCoreApplication::sendEvent(&box, &event);
        }
        EXPECT_EQ(seen, fired) << events;
    }
}

TEST(ImageBox, KeepsPixelsCrispAtWholeScalesAndSmoothsFractionalOnes)
{
    QImage stripes(8, 4, QImage::Format_RGB32);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 4; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    ImageBox box(QSize(40, 40), nullptr);
    box.setPicture(stripes);
    // Unstretched, drawn at its own size inside a one-pixel line, two pixels from the edge.
    QImage expected(12, 8, QImage::Format_RGB32);
    expected.fill(box.palette().color(QPalette::Window));
    QPainter painter(&expected);
    painter.setPen(box.palette().color(QPalette::WindowText));
    painter.drawRect(0, 0, 11, 7);
    painter.drawImage(2, 2, stripes);
    painter.end();
    EXPECT_EQ(box.grab().toImage().convertToFormat(QImage::Format_RGB32), expected);
    for (const auto& [ratio, smoothed] : {std::pair{1.0, false}, {2.0, false}, {1.25, true}, {1.5, true}}) {
        QImage shown((QSizeF(box.size()) * ratio).toSize(), QImage::Format_RGB32);
        shown.setDevicePixelRatio(ratio);
        box.render(&shown);
        bool grey = false;
        for (int x = int(2 * ratio); x < shown.width() - int(2 * ratio); ++x)
            grey = grey || (qRed(shown.pixel(x, shown.height() / 2)) % 255 != 0);
        EXPECT_EQ(grey, smoothed) << "scale " << ratio;
    }
}

} // namespace
