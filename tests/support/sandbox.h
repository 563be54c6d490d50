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

// The colour that sets apart the top-left pixel of a bitmap made by addBitmap.
QRgb markColour(QRgb colour);

// A temporary portrait directory, removed with the sandbox whatever its names (see removeTree).
class PortraitSandbox {
public:
    PortraitSandbox();
    ~PortraitSandbox();
    PortraitSandbox(const PortraitSandbox&) = delete;
    PortraitSandbox& operator=(const PortraitSandbox&) = delete;

    QString path() const { return dir_.path(); } // without trailing '/'
    QString filePath(const QString& name) const { return dir_.filePath(name); }

    // addBitmap writes a real Windows bitmap filled with `colour`, its top-left pixel set apart (markColour) so
    // that a picture shown upside down or mixed up with another is caught; another `format` writes that kind.
    // addPortraits makes one small bitmap per name, each in a colour of its own: "...L.bmp" (any case) 110 x 170,
    // "...S.bmp" 38 x 60, others 8 x 8. The others, a FIFO among them, each return the full path of what they made.
    void addPortraits(const QStringList& names);
    QString addBitmap(const QString& name, int width, int height, QRgb colour, const char* format = "BMP");
    QString addFile(const QString& name, const QByteArray& content);
    QString addDirectory(const QString& name);
    QString addFifo(const QString& name);

    // Names and bytes, so a test can prove nothing was lost or overwritten.
    QMap<QString, QByteArray> contents() const;

private:
    QTemporaryDir dir_;
};

} // namespace testsupport
