#pragma once

#include <QCache>
#include <QImage>
#include <QString>

namespace platform {

// Decoded pictures by path, so that a page shown twice decodes each file once. A file changed on
// disk (another size or modification time) is decoded afresh, never shown stale. Bounded by the
// memory the pictures take, not by their number.
class PictureCache {
public:
    explicit PictureCache(qsizetype budgetKilobytes = 64 * 1024);

    // As decodeBitmap: a null image for anything that cannot be shown.
    QImage load(const QString& path);

private:
    struct Entry {
        qint64 size = 0;
        qint64 modified = 0;
        QImage picture;
    };
    QCache<QString, Entry> entries_;
};

} // namespace platform
