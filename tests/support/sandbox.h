#pragma once

#include <ostream>

#include <QByteArray>
#include <QMap>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Lets gtest show a QString, and so a QStringList, as text when an expectation fails.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace testsupport {

// A real Windows bitmap filled with `colour`, with the top-left pixel set apart so that a picture
// shown upside down or mixed up with another is caught. Another `format` writes that kind of picture instead.
void writeBitmap(const QString& path, int width, int height, QRgb colour, const char* format = "BMP");

// The colour writeBitmap gives the top-left pixel of a picture filled with `colour`.
QRgb markColour(QRgb colour);

// A temporary portrait directory, removed with the sandbox whatever its names (see removeTree).
class PortraitSandbox {
public:
    PortraitSandbox();
    ~PortraitSandbox();
    PortraitSandbox(const PortraitSandbox&) = delete;
    PortraitSandbox& operator=(const PortraitSandbox&) = delete;

    QString path() const; // without trailing '/'
    QString filePath(const QString& name) const;

    // One small bitmap per name: "...L.bmp" (any case) 110 x 170, "...S.bmp" 38 x 60, others 8 x 8,
    // each in a colour of its own.
    void addPortraits(const QStringList& names);
    // Each returns the full path of what it made.
    QString addBitmap(const QString& name, int width, int height, QRgb colour, const char* format = "BMP");
    QString addFile(const QString& name, const QByteArray& content);
    QString addDirectory(const QString& name);

    // What the directory holds, name and bytes, so a test can prove nothing was lost or overwritten.
    QMap<QString, QByteArray> contents() const;

private:
    QTemporaryDir dir_;
};

} // namespace testsupport
