#pragma once

#include <QByteArray>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// A real Windows bitmap filled with `colour`, with the top-left pixel set apart so that a picture
// shown upside down or mixed up with another is caught.
void writeBitmap(const QString& path, int width, int height, QRgb colour);

// The colour writeBitmap gives the top-left pixel of a picture filled with `colour`.
QRgb markColour(QRgb colour);

// A temporary portrait directory, removed with the sandbox.
class PortraitSandbox {
public:
    PortraitSandbox();

    QString path() const; // without trailing '/'
    QString filePath(const QString& name) const;

    // One small bitmap per name: "...L.bmp" (any case) 110 x 170, "...S.bmp" 38 x 60, others 8 x 8,
    // each in a colour of its own.
    void addPortraits(const QStringList& names);
    void addBitmap(const QString& name, int width, int height, QRgb colour);
    void addFile(const QString& name, const QByteArray& content);
    QString addDirectory(const QString& name); // returns its full path

    QStringList fileNames() const; // non-directory names on disk, sorted by code point

    // The colour addPortraits fills `name` with.
    static QRgb colourFor(const QString& name);

private:
    QTemporaryDir dir_;
};

} // namespace testsupport
