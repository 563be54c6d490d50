#include "support/sandbox.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QHashFunctions>
#include <QImage>

#include <gtest/gtest.h>

#include "support/mount.h"

namespace testsupport {

QRgb markColour(QRgb colour)
{
    // Flipping the top bit of every channel keeps the mark far from the fill whatever the fill is.
    return qRgb(qRed(colour) ^ 0x80, qGreen(colour) ^ 0x80, qBlue(colour) ^ 0x80);
}

PortraitSandbox::PortraitSandbox()
{
    dir_.setAutoRemove(false); // QTemporaryDir would leave a name that is not UTF-8
    EXPECT_TRUE(dir_.isValid()) << "cannot create a temporary directory: " << dir_.errorString().toStdString();
}

PortraitSandbox::~PortraitSandbox()
{
    if (dir_.isValid())
        removeTree(dir_.path());
}

void PortraitSandbox::addPortraits(const QStringList& names)
{
    for (const QString& name : names) {
        const QString end = name.right(5).toLower();
        const QSize size = end == "l.bmp" ? QSize(110, 170) : end == "s.bmp" ? QSize(38, 60) : QSize(8, 8);
        // The same colour for a name from run to run (seed 0).
        addBitmap(name, size.width(), size.height(), QRgb(qHash(name, size_t(0))) | 0xff000000);
    }
}

QString PortraitSandbox::addBitmap(const QString& name, int width, int height, QRgb colour, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    image.setPixel(0, 0, markColour(colour));
    EXPECT_TRUE(image.save(filePath(name), format)) << "cannot write bitmap " << filePath(name).toStdString();
    return filePath(name);
}

QString PortraitSandbox::addFile(const QString& name, const QByteArray& content)
{
    QFile file(filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size()) << qPrintable(name);
    return file.fileName();
}

QString PortraitSandbox::addDirectory(const QString& name)
{
    EXPECT_TRUE(QDir(path()).mkpath(name)) << "cannot create directory " << filePath(name).toStdString();
    return filePath(name);
}

QString PortraitSandbox::addFifo(const QString& name)
{
    EXPECT_EQ(::mkfifo(QFile::encodeName(filePath(name)).constData(), 0644), 0) << qPrintable(name);
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
