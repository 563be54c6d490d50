// Draws the bundled sample portrait sets into a directory, so the program can be tried at once
// without anybody's pictures. Existing files are left alone.

#include <cstdio>

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

struct Sample {
    const char* largeName;
    const char* smallName; // nullptr: the set has no small picture
    QRgb background;
    QRgb robe;
    bool female;
};

// A dozen sets of several types; some names in mixed letter case, one set without its small picture,
// one stray small picture without its large one.
constexpr Sample Samples[] = {
    {"MM01L.bmp", "mM01S.bmp", 0xff2b3a67, 0xff6a4c93, false},
    {"MM02L.bmp", "mM02S.bmp", 0xff1d3557, 0xff457b9d, false},
    {"MM04L.bmp", "mM04S.bmp", 0xff3d2c8d, 0xff916bbf, false},
    {"FP01L.bmp", "fP01S.bmp", 0xfff1e3c6, 0xffe9c46a, true},
    {"FP02L.bmp", "fP02S.bmp", 0xffe0d5b0, 0xfff4a261, true},
    {"FR01L.bmp", "fR01S.bmp", 0xff264027, 0xff3c6e47, true},
    {"MW01L.bmp", "mW01S.bmp", 0xff6b2d2d, 0xffa23b3b, false},
    {"FW03L.bmp", "fW03S.bmp", 0xff5a3e2b, 0xffb08968, true},
    {"MR07l.bmp", "mr07S.BMP", 0xff2f3e46, 0xff52796f, false},
    {"HeroL.bmp", "heroS.bmp", 0xff7f5539, 0xffddb892, false},
    {"elvenL.BMP", "ELVENs.bmp", 0xff1b4332, 0xff95d5b2, true},
    {"LonerL.bmp", nullptr, 0xff3a3a3a, 0xff8d99ae, false},
    {"WitchL.bmp", "witchS.bmp", 0xff240046, 0xff7b2cbf, true},
};

QImage drawPortrait(int width, int height, const Sample& sample)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(sample.background).lighter(140));
    sky.setColorAt(1, QColor(sample.background));
    painter.fillRect(image.rect(), sky);

    const qreal w = width;
    const qreal h = height;
    QPainterPath shoulders;
    shoulders.moveTo(0.08 * w, h);
    shoulders.cubicTo(0.12 * w, 0.70 * h, 0.30 * w, 0.62 * h, 0.50 * w, 0.62 * h);
    shoulders.cubicTo(0.70 * w, 0.62 * h, 0.88 * w, 0.70 * h, 0.92 * w, h);
    shoulders.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(sample.robe));
    painter.drawPath(shoulders);

    if (sample.female) {
        painter.setBrush(QColor(0xff4a2c1a));
        painter.drawEllipse(QRectF(0.24 * w, 0.20 * h, 0.52 * w, 0.50 * h));
    }
    painter.setBrush(QColor(0xffe8c4a0));
    painter.drawEllipse(QRectF(0.32 * w, 0.26 * h, 0.36 * w, 0.34 * h));
    painter.setBrush(QColor(0xff222222));
    painter.drawEllipse(QRectF(0.40 * w, 0.40 * h, 0.05 * w, 0.03 * h));
    painter.drawEllipse(QRectF(0.55 * w, 0.40 * h, 0.05 * w, 0.03 * h));

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(sample.robe).lighter(160), qMax(1.0, w / 40)));
    painter.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return image;
}

bool writeIfMissing(const QDir& directory, const char* name, const QImage& image)
{
    const QString path = directory.filePath(QString::fromLatin1(name));
    if (QFileInfo::exists(path))
        return true;
    if (image.save(path, "BMP"))
        return true;
    std::fprintf(stderr, "make_sample_portraits: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_portraits DIRECTORY\n");
        return 2;
    }
    const QDir directory(QString::fromLocal8Bit(argv[1]));
    if (!directory.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make_sample_portraits: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    for (const Sample& sample : Samples) {
        ok = writeIfMissing(directory, sample.largeName, drawPortrait(110, 170, sample)) && ok;
        if (sample.smallName)
            ok = writeIfMissing(directory, sample.smallName, drawPortrait(38, 60, sample)) && ok;
    }
    const Sample stray{"", "StrayS.bmp", 0xff404040, 0xffc0c0c0, false};
    ok = writeIfMissing(directory, stray.smallName, drawPortrait(38, 60, stray)) && ok;
    return ok ? 0 : 1;
}
