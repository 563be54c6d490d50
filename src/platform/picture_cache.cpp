#include "platform/picture_cache.h"

#include <sys/stat.h>

#include <QFile>

#include "platform/pictures.h"

namespace platform {

PictureCache::PictureCache(qsizetype budgetKilobytes) : entries_(budgetKilobytes)
{
}

QImage PictureCache::load(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        entries_.remove(path);
        return {};
    }
    const qint64 modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (const Entry* known = entries_.object(path); known && known->size == st.st_size && known->modified == modified)
        return known->picture;
    auto* entry = new Entry{st.st_size, modified, decodeBitmap(path)};
    const QImage picture = entry->picture;
    entries_.insert(path, entry, std::max<qsizetype>(1, picture.sizeInBytes() / 1024));
    return picture;
}

} // namespace platform
