#include "platform/os/picture_cache.h"

#include <sys/stat.h>

#include <QFile>

#include "platform/os/pictures.h"
#include "platform/os/times.h"

namespace platform {

PictureCache::PictureCache(qint64 budgetBytes) : entries_(qsizetype(budgetBytes))
{
}

QImage PictureCache::load(const QString& path)
{
    struct stat st {};
    // Devices are never opened: see decodeBitmap.
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        entries_.remove(path);
        return {};
    }
    const qint64 modified = nanoseconds(st.st_mtim);
    const qint64 changed = nanoseconds(st.st_ctim);
    if (const Entry* known = entries_.object(path);
        known && known->size == st.st_size && known->modified == modified && known->changed == changed)
        return known->picture;
    auto* entry = new Entry{st.st_size, modified, changed, decodeRegularBitmap(path)};
    QImage picture = entry->picture;
    // The key is held twice, by the cache's table and by its list.
    const qint64 bytes = picture.sizeInBytes() + qint64(sizeof(Entry)) + 2 * path.size() * qint64(sizeof(QChar));
    // A picture bigger than the whole budget is shown but not kept.
    entries_.insert(path, entry, qsizetype(bytes));
    return picture;
}

} // namespace platform
