#include "platform/pictures.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <future>
#include <ostream>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include "support/sandbox.h"

namespace {

using platform::decodeBitmap;
using testsupport::PortraitSandbox;

constexpr QRgb Fill = 0xff285ac8;

// Bitmaps are built byte by byte here, independently of Qt's writer, so that the layouts Qt would
// never write itself (top-down rows, OS/2 headers, lying headers) can be tried.
void putU16(QByteArray& out, quint32 value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

void putU32(QByteArray& out, quint32 value)
{
    putU16(out, value & 0xffff);
    putU16(out, value >> 16);
}

// 24-bit rows in the order they are stored, each padded to four bytes.
QByteArray rows24(const std::vector<std::vector<QRgb>>& storedRows)
{
    QByteArray out;
    for (const std::vector<QRgb>& row : storedRows) {
        for (const QRgb pixel : row) {
            out.append(char(qBlue(pixel)));
            out.append(char(qGreen(pixel)));
            out.append(char(qRed(pixel)));
        }
        while (out.size() % 4 != 0) {
            out.append('\0');
        }
    }
    return out;
}

QByteArray infoBitmap(qint32 width, qint32 height, quint32 bitsPerPixel, const QByteArray& palette,
                      const QByteArray& pixels)
{
    const quint32 offset = 14 + 40 + quint32(palette.size());
    QByteArray out("BM");
    putU32(out, offset + quint32(pixels.size()));
    putU32(out, 0);
    putU32(out, offset);
    putU32(out, 40);
    putU32(out, quint32(width));
    putU32(out, quint32(height));
    putU16(out, 1);
    putU16(out, bitsPerPixel);
    putU32(out, 0); // no compression
    putU32(out, quint32(pixels.size()));
    putU32(out, 2835);
    putU32(out, 2835);
    putU32(out, quint32(palette.size() / 4));
    putU32(out, 0);
    return out + palette + pixels;
}

QByteArray coreBitmap(quint32 width, quint32 height, const QByteArray& pixels)
{
    const quint32 offset = 14 + 12;
    QByteArray out("BM");
    putU32(out, offset + quint32(pixels.size()));
    putU32(out, 0);
    putU32(out, offset);
    putU32(out, 12);
    putU16(out, width);
    putU16(out, height);
    putU16(out, 1);
    putU16(out, 24);
    return out + pixels;
}

// Complete one-bit bitmap: big in pixels, small on disk, so the cap can be tried at its edge.
QByteArray monoBitmap(qint32 width, qint32 height)
{
    QByteArray palette;
    putU32(palette, 0x000000);
    putU32(palette, 0xffffff);
    const qint64 rowBytes = (qint64(width) + 31) / 32 * 4;
    return infoBitmap(width, height, 1, palette, QByteArray(rowBytes * std::abs(height), '\0'));
}

QString writeFile(PortraitSandbox& sandbox, const QByteArray& content)
{
    sandbox.addFile(QStringLiteral("pictureL.bmp"), content);
    return sandbox.filePath(QStringLiteral("pictureL.bmp"));
}

QByteArray validBitmap(PortraitSandbox& sandbox)
{
    sandbox.addBitmap(QStringLiteral("sourceL.bmp"), 110, 170, Fill);
    QFile file(sandbox.filePath(QStringLiteral("sourceL.bmp")));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

std::string nameOf(const char* name)
{
    return name;
}

// --- Pictures that decode -----------------------------------------------------------------------

struct ValidRow {
    const char* name;
    QString (*make)(PortraitSandbox&);
    int width;
    int height;
};

void PrintTo(const ValidRow& row, std::ostream* out)
{
    *out << row.name;
}

class DecodesBitmap : public testing::TestWithParam<ValidRow> {};

TEST_P(DecodesBitmap, AtItsSizeAndUpright)
{
    const ValidRow& row = GetParam();
    PortraitSandbox sandbox;

    const QImage image = decodeBitmap(row.make(sandbox));

    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), row.width);
    EXPECT_EQ(image.height(), row.height);
    EXPECT_EQ(image.pixel(0, 0), testsupport::markColour(Fill));
    EXPECT_EQ(image.pixel(row.width - 1, row.height - 1), Fill);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, DecodesBitmap,
    testing::Values(ValidRow{"LargePortrait",
                             [](PortraitSandbox& s) {
                                 s.addBitmap(QStringLiteral("heroL.bmp"), 110, 170, Fill);
                                 return s.filePath(QStringLiteral("heroL.bmp"));
                             },
                             110, 170},
                    ValidRow{"SmallPortrait",
                             [](PortraitSandbox& s) {
                                 s.addBitmap(QStringLiteral("heroS.bmp"), 38, 60, Fill);
                                 return s.filePath(QStringLiteral("heroS.bmp"));
                             },
                             38, 60},
                    ValidRow{"RowsNeedPadding",
                             [](PortraitSandbox& s) {
                                 s.addBitmap(QStringLiteral("oddL.bmp"), 3, 5, Fill);
                                 return s.filePath(QStringLiteral("oddL.bmp"));
                             },
                             3, 5},
                    // The content decides, not the name.
                    ValidRow{"NameWithoutBmpExtension",
                             [](PortraitSandbox& s) {
                                 s.addBitmap(QStringLiteral("portrait.dat"), 12, 7, Fill);
                                 return s.filePath(QStringLiteral("portrait.dat"));
                             },
                             12, 7},
                    ValidRow{"ThroughSymlink",
                             [](PortraitSandbox& s) {
                                 s.addBitmap(QStringLiteral("target.bmp"), 20, 30, Fill);
                                 const QString link = s.filePath(QStringLiteral("linkL.bmp"));
                                 EXPECT_EQ(
                                     ::symlink(QFile::encodeName(s.filePath(QStringLiteral("target.bmp"))).constData(),
                                               QFile::encodeName(link).constData()),
                                     0);
                                 return link;
                             },
                             20, 30}),
    [](const testing::TestParamInfo<ValidRow>& info) { return nameOf(info.param.name); });

struct OrientationRow {
    const char* name;
    bool coreHeader;
    bool topDown;
};

void PrintTo(const OrientationRow& row, std::ostream* out)
{
    *out << row.name;
}

class BitmapOrientation : public testing::TestWithParam<OrientationRow> {};

TEST_P(BitmapOrientation, EveryPixelLandsWhereItBelongs)
{
    const OrientationRow& row = GetParam();
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255);
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), yellow = qRgb(255, 255, 0);
    const std::vector<std::vector<QRgb>> shown{{red, green, blue}, {white, black, yellow}};
    const std::vector<std::vector<QRgb>> stored =
        row.topDown ? shown : std::vector<std::vector<QRgb>>{shown[1], shown[0]};
    const QByteArray pixels = rows24(stored);
    const QByteArray bytes =
        row.coreHeader ? coreBitmap(3, 2, pixels) : infoBitmap(3, row.topDown ? -2 : 2, 24, {}, pixels);
    PortraitSandbox sandbox;

    const QImage image = decodeBitmap(writeFile(sandbox, bytes));

    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(3, 2));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(image.pixel(x, y), shown[std::size_t(y)][std::size_t(x)]) << "at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, BitmapOrientation,
                         testing::Values(OrientationRow{"InfoHeaderBottomUp", false, false},
                                         OrientationRow{"InfoHeaderTopDown", false, true},
                                         OrientationRow{"CoreHeaderBottomUp", true, false}),
                         [](const testing::TestParamInfo<OrientationRow>& info) { return nameOf(info.param.name); });

TEST(Pictures, PictureRightAtTheCapDecodes)
{
    static_assert(4096LL * 4096 == platform::MaxPicturePixels, "the rows below sit on the cap");
    PortraitSandbox sandbox;

    const QImage image = decodeBitmap(writeFile(sandbox, monoBitmap(4096, 4096)));

    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(4096, 4096));
}

// --- Files that give a blank picture ------------------------------------------------------------

struct RefusedRow {
    const char* name;
    QString (*make)(PortraitSandbox&);
};

void PrintTo(const RefusedRow& row, std::ostream* out)
{
    *out << row.name;
}

class RefusesFile : public testing::TestWithParam<RefusedRow> {};

TEST_P(RefusesFile, WithANullImage)
{
    PortraitSandbox sandbox;
    const QString path = GetParam().make(sandbox);

    EXPECT_TRUE(decodeBitmap(path).isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, RefusesFile,
    testing::Values(
        RefusedRow{"Missing", [](PortraitSandbox& s) { return s.filePath(QStringLiteral("missingL.bmp")); }},
        RefusedRow{"EmptyPath", [](PortraitSandbox&) { return QString(); }},
        RefusedRow{"EmptyFile", [](PortraitSandbox& s) { return writeFile(s, QByteArray()); }},
        RefusedRow{"TextFile",
                   [](PortraitSandbox& s) { return writeFile(s, "Portraits go here.\nNothing to see.\n"); }},
        RefusedRow{"PngRenamed",
                   [](PortraitSandbox& s) {
                       QImage image(110, 170, QImage::Format_RGB32);
                       image.fill(Fill);
                       QByteArray png;
                       QBuffer buffer(&png);
                       buffer.open(QIODevice::WriteOnly);
                       EXPECT_TRUE(image.save(&buffer, "PNG"));
                       EXPECT_TRUE(png.startsWith("\x89PNG"));
                       return writeFile(s, png);
                   }},
        RefusedRow{"Directory", [](PortraitSandbox& s) { return s.addDirectory(QStringLiteral("dirL.bmp")); }},
        RefusedRow{"Socket",
                   [](PortraitSandbox& s) {
                       const QString path = s.filePath(QStringLiteral("sockL.bmp"));
                       const QByteArray raw = QFile::encodeName(path);
                       sockaddr_un address{};
                       address.sun_family = AF_UNIX;
                       EXPECT_LT(std::size_t(raw.size()), sizeof(address.sun_path));
                       std::memcpy(address.sun_path, raw.constData(), std::size_t(raw.size()));
                       const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                       EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
                       ::close(fd);
                       return path;
                   }},
        // An endless device: reading it would never reach the end of a picture.
        RefusedRow{"CharacterDevice", [](PortraitSandbox&) { return QStringLiteral("/dev/zero"); }},
        RefusedRow{"WrongMagic",
                   [](PortraitSandbox& s) {
                       QByteArray bytes = validBitmap(s);
                       bytes[0] = 'X';
                       return writeFile(s, bytes);
                   }},
        RefusedRow{"TruncatedInsideHeader", [](PortraitSandbox& s) { return writeFile(s, validBitmap(s).left(30)); }},
        RefusedRow{"HeaderOnly", [](PortraitSandbox& s) { return writeFile(s, validBitmap(s).left(54)); }},
        RefusedRow{"TruncatedToHalf",
                   [](PortraitSandbox& s) {
                       const QByteArray bytes = validBitmap(s);
                       return writeFile(s, bytes.left(bytes.size() / 2));
                   }},
        RefusedRow{"TruncatedByOneByte", [](PortraitSandbox& s) { return writeFile(s, validBitmap(s).chopped(1)); }},
        RefusedRow{"PixelOffsetPastTheEnd",
                   [](PortraitSandbox& s) {
                       QByteArray bytes = validBitmap(s);
                       QByteArray offset;
                       putU32(offset, quint32(bytes.size()));
                       bytes.replace(10, 4, offset);
                       return writeFile(s, bytes);
                   }},
        RefusedRow{
            "HugeHeaderInTinyFile",
            [](PortraitSandbox& s) { return writeFile(s, infoBitmap(100000, 100000, 24, {}, QByteArray(16, '\0'))); }},
        RefusedRow{
            "HugeTopDownHeaderInTinyFile",
            [](PortraitSandbox& s) { return writeFile(s, infoBitmap(100000, -100000, 24, {}, QByteArray(16, '\0'))); }},
        RefusedRow{
            "MostNegativeHeight",
            [](PortraitSandbox& s) { return writeFile(s, infoBitmap(1, INT_MIN, 24, {}, QByteArray(16, '\0'))); }},
        RefusedRow{"NegativeWidth",
                   [](PortraitSandbox& s) { return writeFile(s, infoBitmap(-3, 2, 24, {}, QByteArray(24, '\0'))); }},
        RefusedRow{"ZeroHeight",
                   [](PortraitSandbox& s) { return writeFile(s, infoBitmap(3, 0, 24, {}, QByteArray(24, '\0'))); }},
        RefusedRow{"HugeCoreHeaderInTinyFile",
                   [](PortraitSandbox& s) { return writeFile(s, coreBitmap(65535, 65535, QByteArray(16, '\0'))); }},
        // Complete files: nothing but the size limit stands against them.
        RefusedRow{"OneColumnOverTheCap", [](PortraitSandbox& s) { return writeFile(s, monoBitmap(4097, 4096)); }},
        RefusedRow{"OneTopDownRowOverTheCap",
                   [](PortraitSandbox& s) { return writeFile(s, monoBitmap(4096, -4097)); }}),
    [](const testing::TestParamInfo<RefusedRow>& info) { return nameOf(info.param.name); });

TEST(Pictures, FifoGivesNullImageWithoutWaitingForAWriter)
{
    PortraitSandbox sandbox;
    const QString fifo = sandbox.filePath(QStringLiteral("pipeL.bmp"));
    const QByteArray rawFifo = QFile::encodeName(fifo);
    ASSERT_EQ(::mkfifo(rawFifo.constData(), 0644), 0);

    auto decoded = std::async(std::launch::async, [&fifo] { return decodeBitmap(fifo); });
    if (decoded.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "decoding a FIFO blocked";
        // Release the reader so that the test ends instead of hanging.
        const int writer = ::open(rawFifo.constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            ::close(writer);
        }
    }
    EXPECT_TRUE(decoded.get().isNull());
}

} // namespace
