#include "support/sandbox.h"

#include <QDir>
#include <QFile>
#include <QHashFunctions>
#include <QImage>

#include <gtest/gtest.h>

#include "support/mount.h"

namespace testsupport {

namespace {
// A colour of its own for every name, the same from run to run (seed 0).
QRgb colourFor(const QString& name)
{
    const size_t hash = qHash(name, size_t(0));
    return qRgb(int(hash & 0xff), int((hash >> 8) & 0xff), int((hash >> 16) & 0xff));
}
} // namespace

void writeBitmap(const QString& path, int width, int height, QRgb colour, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    image.setPixel(0, 0, markColour(colour));
    if (!image.save(path, format)) {
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
    dir_.setAutoRemove(false); // QTemporaryDir would leave a name that is not UTF-8
    if (!dir_.isValid()) {
        ADD_FAILURE() << "cannot create a temporary directory: " << dir_.errorString().toStdString();
    }
}

PortraitSandbox::~PortraitSandbox()
{
    if (dir_.isValid())
        removeTree(dir_.path());
}

QString PortraitSandbox::path() const
{
    return dir_.path();
}

QString PortraitSandbox::filePath(const QString& name) const
{
    return dir_.filePath(name);
}

void PortraitSandbox::addPortraits(const QStringList& names)
{
    for (const QString& name : names) {
        const bool large = name.endsWith(QStringLiteral("L.bmp"), Qt::CaseInsensitive);
        const bool small = name.endsWith(QStringLiteral("S.bmp"), Qt::CaseInsensitive);
        const QSize size = large ? QSize(110, 170) : small ? QSize(38, 60) : QSize(8, 8);
        addBitmap(name, size.width(), size.height(), colourFor(name));
    }
}

QString PortraitSandbox::addBitmap(const QString& name, int width, int height, QRgb colour, const char* format)
{
    writeBitmap(filePath(name), width, height, colour, format);
    return filePath(name);
}

QString PortraitSandbox::addFile(const QString& name, const QByteArray& content)
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        ADD_FAILURE() << "cannot write " << file.fileName().toStdString() << ": " << file.errorString().toStdString();
    }
    return file.fileName();
}

QString PortraitSandbox::addDirectory(const QString& name)
{
    if (!QDir(path()).mkpath(name)) {
        ADD_FAILURE() << "cannot create directory " << filePath(name).toStdString();
    }
    return filePath(name);
}

QMap<QString, QByteArray> PortraitSandbox::contents() const
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(path()).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(filePath(name));
        files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
    }
    return files;
}

} // namespace testsupport
