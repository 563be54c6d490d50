#include "support/sandbox.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QHashFunctions>
#include <QImage>

#include <gtest/gtest.h>

namespace testsupport {

void writeBitmap(const QString& path, int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    image.setPixel(0, 0, markColour(colour));
    if (!image.save(path, "BMP")) {
        ADD_FAILURE() << "cannot write bitmap " << path.toStdString();
    }
}

QRgb markColour(QRgb colour)
{
    // Flipping the top bit of every channel keeps the mark far from the fill whatever the fill is.
    return qRgb(qRed(colour) ^ 0x80, qGreen(colour) ^ 0x80, qBlue(colour) ^ 0x80);
}

PortraitSandbox::PortraitSandbox()
{
    if (!dir_.isValid()) {
        ADD_FAILURE() << "cannot create a temporary directory: " << dir_.errorString().toStdString();
    }
}

QString PortraitSandbox::path() const
{
    return dir_.path();
}

QString PortraitSandbox::filePath(const QString& name) const
{
    return dir_.filePath(name);
}

QRgb PortraitSandbox::colourFor(const QString& name)
{
    // Seed 0 keeps the colours the same from run to run.
    const size_t hash = qHash(name, size_t(0));
    return qRgb(int(hash & 0xff), int((hash >> 8) & 0xff), int((hash >> 16) & 0xff));
}

void PortraitSandbox::addPortraits(const QStringList& names)
{
    for (const QString& name : names) {
        if (name.endsWith(QStringLiteral("L.bmp"), Qt::CaseInsensitive)) {
            addBitmap(name, 110, 170, colourFor(name));
        } else if (name.endsWith(QStringLiteral("S.bmp"), Qt::CaseInsensitive)) {
            addBitmap(name, 38, 60, colourFor(name));
        } else {
            addBitmap(name, 8, 8, colourFor(name));
        }
    }
}

void PortraitSandbox::addBitmap(const QString& name, int width, int height, QRgb colour)
{
    writeBitmap(filePath(name), width, height, colour);
}

void PortraitSandbox::addFile(const QString& name, const QByteArray& content)
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        ADD_FAILURE() << "cannot write " << file.fileName().toStdString() << ": " << file.errorString().toStdString();
    }
}

QString PortraitSandbox::addDirectory(const QString& name)
{
    if (!QDir(path()).mkpath(name)) {
        ADD_FAILURE() << "cannot create directory " << filePath(name).toStdString();
    }
    return filePath(name);
}

QStringList PortraitSandbox::fileNames() const
{
    QStringList names =
        QDir(path()).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace testsupport
