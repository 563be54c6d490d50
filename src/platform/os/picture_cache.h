#pragma once

#include <QCache>
#include <QImage>
#include <QString>

namespace platform {

// Decoded pictures by path, so that a page shown twice decodes each file once. A file changed on
// disk (another size, modification or change time) is decoded afresh, never shown stale. Bounded by
// the bytes it holds, pictures and names, not by their number; the default holds a full screen of
// portraits many times over, and four pictures of the largest size decoded.
class PictureCache {
public:
    explicit PictureCache(qint64 budgetBytes = 256LL * 1024 * 1024);

    // What the held entries take, in bytes.
    qint64 heldBytes() const { return entries_.totalCost(); }

    // As decodeBitmap: a null image for anything that cannot be shown.
    QImage load(const QString& path);

private:
    struct Entry {
        qint64 size = 0;
        qint64 modified = 0;
        qint64 changed = 0;
        QImage picture;
    };
    QCache<QString, Entry> entries_;
};

} // namespace platform
