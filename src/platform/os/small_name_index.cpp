#include "platform/os/small_name_index.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include <sys/stat.h>
#include <sys/vfs.h>

#include <QFile>
#include <QString>

#include "platform/os/ascii.h"
#include "platform/os/times.h"

namespace platform {

namespace {

// File systems whose directories take a new change time, to the nanosecond, at every entry created,
// removed or renamed. Others are read afresh at every look-up.
bool keepsDirectoryTimes(const QByteArray& directory)
{
    constexpr long Ext = 0xEF53; // ext2, ext3, ext4
    constexpr long Tmpfs = 0x01021994;
    constexpr long Btrfs = 0x9123683E;
    constexpr long Xfs = 0x58465342;
    constexpr long F2fs = 0xF2F52010;
    struct statfs fs {};
    if (::statfs(directory.constData(), &fs) != 0)
        return false;
    const long type = long(fs.f_type);
    return type == Ext || type == Tmpfs || type == Btrfs || type == Xfs || type == F2fs;
}

std::optional<SmallNameIndexes::Stamp> stampOf(const QByteArray& directory)
{
    struct stat st {};
    if (::stat(directory.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return SmallNameIndexes::Stamp{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), nanoseconds(st.st_mtim),
                                   nanoseconds(st.st_ctim)};
}

// FNV-1a: two names with one hash only cost a closer look, never a wrong answer.
std::uint64_t hashOf(const char* bytes, std::size_t length)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (std::size_t i = 0; i < length; ++i) {
        hash ^= static_cast<unsigned char>(bytes[i]);
        hash *= 1099511628211ULL;
    }
    return hash;
}

} // namespace

bool SmallNameIndexes::Stamp::operator==(const Stamp& other) const
{
    return device == other.device && inode == other.inode && modified == other.modified && changed == other.changed;
}

void SmallNameIndexes::Reading::add(const char* rawName)
{
    const std::size_t length = std::strlen(rawName);
    if (ascii::isAscii(rawName, length)) {
        char folded[256]; // a name is at most 255 bytes
        if (length > sizeof folded || !ascii::endsWithIgnoringCase(rawName, length, "s.bmp", 5))
            return;
        std::transform(rawName, rawName + length, folded, ascii::lower<char>);
        names.push_back({hashOf(folded, length), hashOf(rawName, length)});
        return;
    }
    const QByteArray folded = QFile::decodeName(rawName).toCaseFolded().toUtf8();
    if (folded.endsWith("s.bmp"))
        names.push_back({hashOf(folded.constData(), std::size_t(folded.size())), hashOf(rawName, length)});
}

std::optional<SmallNameIndexes::Reading> SmallNameIndexes::startReading(const QByteArray& directory) const
{
    if (!keepsDirectoryTimes(directory))
        return std::nullopt;
    const std::optional<Stamp> stamp = stampOf(directory);
    if (!stamp)
        return std::nullopt;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // The file system takes its times from a clock that lags by up to a tick: a change within the settle
    // time before now might be followed by one that shows the same time.
    const std::int64_t settled = nanoseconds(now) - std::int64_t(settle_.count()) * 1000000;
    if (std::max(stamp->modified, stamp->changed) >= settled)
        return std::nullopt;
    Reading reading;
    reading.before = stamp;
    return reading;
}

void SmallNameIndexes::finishReading(const QByteArray& directory, Reading reading)
{
    indexes_.remove_if([&](const Index& index) { return index.directory == directory; });
    if (!reading.before || stampOf(directory) != reading.before)
        return;
    std::sort(reading.names.begin(), reading.names.end());
    reading.names.shrink_to_fit();
    indexes_.push_front(Index{directory, *reading.before, std::move(reading.names)});
    if (indexes_.size() > Kept)
        indexes_.pop_back();
}

std::optional<SmallNameIndexes::Trusted> SmallNameIndexes::trusted(const QByteArray& directory) const
{
    const auto index = std::find_if(indexes_.cbegin(), indexes_.cend(),
                                    [&](const Index& known) { return known.directory == directory; });
    if (index == indexes_.cend() || stampOf(directory) != index->stamp)
        return std::nullopt;
    return Trusted(index->names);
}

int SmallNameIndexes::Trusted::count(const QByteArray& foldedName) const
{
    const std::uint64_t folded = hashOf(foldedName.constData(), std::size_t(foldedName.size()));
    const auto [first, last] = std::equal_range(names_.cbegin(), names_.cend(), Name{folded, 0},
                                                [](const Name& a, const Name& b) { return a.folded < b.folded; });
    return int(last - first);
}

bool SmallNameIndexes::Trusted::holds(const QByteArray& foldedName, const QByteArray& spelling) const
{
    const Name name{hashOf(foldedName.constData(), std::size_t(foldedName.size())),
                    hashOf(spelling.constData(), std::size_t(spelling.size()))};
    return std::binary_search(names_.cbegin(), names_.cend(), name);
}

} // namespace platform
