#include "platform/os/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "naming/portrait_names.h"
#include "platform/os/ascii.h"
#include "platform/os/file_descriptor.h"
#include "platform/os/mounted_volumes.h"
#include "platform/os/no_replace.h"

namespace platform {

namespace {

// A name is only ever shown or touched under a spelling that leads back to the same bytes on disk.
std::optional<QString> decodedName(const char* raw)
{
    const qsizetype length = qsizetype(std::strlen(raw));
    if (ascii::isAscii(raw, std::size_t(length)))
        return QString::fromLatin1(raw, length);
    const QByteArray bytes = QByteArray::fromRawData(raw, length);
    QString name = QFile::decodeName(bytes);
    if (QFile::encodeName(name) != bytes) {
        return std::nullopt;
    }
    return name;
}

// A name folded for case-blind comparison, as UTF-8. Plain ASCII names are lower-cased byte by byte,
// which keeps a scan of a big directory near the speed of reading it.
std::optional<QByteArray> foldedKey(const char* raw)
{
    const std::size_t length = std::strlen(raw);
    if (ascii::isAscii(raw, length)) {
        QByteArray key(raw, qsizetype(length));
        std::transform(key.begin(), key.end(), key.begin(), ascii::lower);
        return key;
    }
    const std::optional<QString> name = decodedName(raw);
    if (!name)
        return std::nullopt;
    return name->toCaseFolded().toUtf8();
}

// The bytes of a name that stays inside its directory and leads back to itself; none for one that could
// reach outside it or cannot be written.
std::optional<QByteArray> plainName(const QString& name)
{
    QByteArray raw = QFile::encodeName(name);
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..") || raw.contains('\0') || QFile::decodeName(raw) != name)
        return std::nullopt;
    return raw;
}

bool isDotOrDotDot(const char* raw)
{
    return raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0'));
}

struct EncodedPath {
    QByteArray bytes;
    QString reason; // set when there is no usable path
};

EncodedPath encodeDirectory(const QString& directory)
{
    if (directory.isEmpty()) {
        return {{}, QStringLiteral("No directory was given.")};
    }
    QByteArray bytes = QFile::encodeName(directory);
    if (QFile::decodeName(bytes) != directory || bytes.contains('\0')) {
        return {{}, QStringLiteral("The directory name cannot be written on this system.")};
    }
    return {std::move(bytes), {}};
}

enum class EntryKind { Directory, NonDirectory, Gone };

EntryKind kindOfStat(const struct stat& st)
{
    return S_ISDIR(st.st_mode) ? EntryKind::Directory : EntryKind::NonDirectory;
}

// d_type spares a stat per entry on the file systems that fill it in; links and file systems that
// leave it unknown need the stat to see what the name leads to.
EntryKind kindOf(int dirFd, const dirent& entry)
{
    switch (entry.d_type) {
    case DT_DIR:
        return EntryKind::Directory;
    case DT_UNKNOWN:
    case DT_LNK:
        break;
    default:
        return EntryKind::NonDirectory;
    }
    struct stat st {};
    if (::fstatat(dirFd, entry.d_name, &st, 0) == 0) {
        return kindOfStat(st);
    }
    // A dangling link still occupies its name, so a copy must not land on it: it counts as a file.
    if (::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return kindOfStat(st);
    }
    return EntryKind::Gone; // removed since readdir saw it
}

bool isNonDirectory(const QByteArray& path)
{
    // The link itself first: a name that is not there costs one request, not two, and on a network share
    // every request counts. A link is followed; one that leads nowhere still counts as a file.
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        return false;
    }
    if (S_ISLNK(st.st_mode) && ::stat(path.constData(), &st) != 0) {
        return true;
    }
    return !S_ISDIR(st.st_mode);
}

class OpenDirectory {
public:
    explicit OpenDirectory(const QByteArray& path)
    {
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            error_ = errno;
            return;
        }
        dir_ = ::fdopendir(fd);
        if (dir_ == nullptr) {
            error_ = errno;
            ::close(fd);
        }
    }
    ~OpenDirectory()
    {
        if (dir_ != nullptr) {
            ::closedir(dir_);
        }
    }
    OpenDirectory(const OpenDirectory&) = delete;
    OpenDirectory& operator=(const OpenDirectory&) = delete;

    bool isOpen() const { return dir_ != nullptr; }
    int error() const { return error_; }
    int fd() const { return ::dirfd(dir_); }

    // nullptr at the end and on a failure; error() tells the two apart.
    const dirent* next()
    {
        errno = 0;
        const dirent* entry = ::readdir(dir_);
        if (entry == nullptr) {
            error_ = errno;
        }
        return entry;
    }

private:
    DIR* dir_ = nullptr;
    int error_ = 0;
};

// One pass over the directory, "." and ".." left out. A listing that breaks off half-way is reported
// as a failure rather than passed on as if it were complete.
template <typename Visit> FsResult readEntries(const QString& directory, SystemCallHook* hook, Visit&& visit)
{
    const EncodedPath path = encodeDirectory(directory);
    if (!path.reason.isEmpty()) {
        return FsResult::failure(path.reason);
    }
    if (const int error = hook != nullptr ? hook->before(SystemCall::OpenDirectory, path.bytes) : 0)
        return FsResult::failure(systemReason(error));
    OpenDirectory dir(path.bytes);
    if (!dir.isOpen()) {
        return FsResult::failure(systemReason(dir.error()));
    }
    while (const dirent* entry = dir.next()) {
        if (!isDotOrDotDot(entry->d_name)) {
            visit(dir.fd(), *entry);
        }
    }
    if (dir.error() != 0) {
        return FsResult::failure(systemReason(dir.error()));
    }
    return {};
}

// The file lists ask for "*L.bmp" and the directory lists for everything: a pattern is "*" and a
// suffix, matched as a plain case-blind endsWith, since a regular expression per entry would dominate
// the time on a big directory.
class NameMatcher {
public:
    explicit NameMatcher(const QString& pattern) : suffix_(pattern.mid(1))
    {
        Q_ASSERT(pattern.isEmpty() || (pattern.startsWith(QLatin1Char('*')) && !suffix_.contains(QLatin1Char('*')) &&
                                       !suffix_.contains(QLatin1Char('?'))));
        if (std::all_of(suffix_.cbegin(), suffix_.cend(), [](QChar c) { return c.unicode() < 0x80; }))
            asciiSuffix_ = suffix_.toLower().toLatin1();
    }

    // Most names are plain ASCII and most of a big directory does not match: those are told apart
    // without decoding them.
    bool matches(const char* raw) const
    {
        if (suffix_.isEmpty())
            return true;
        const std::size_t length = std::strlen(raw);
        if (!asciiSuffix_.isEmpty() && ascii::isAscii(raw, length))
            return ascii::endsWithIgnoringCase(raw, length, asciiSuffix_.constData(), std::size_t(asciiSuffix_.size()));
        const std::optional<QString> name = decodedName(raw);
        return name && name->endsWith(suffix_, Qt::CaseInsensitive);
    }

private:
    QString suffix_;
    QByteArray asciiSuffix_; // lower case; empty when the suffix is not ASCII
};

} // namespace

bool sameNameIgnoringCase(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

char32_t smallNameLetter(char32_t c)
{
    const char32_t lower = QChar::toLower(c);
    return QChar::toCaseFolded(lower) == QChar::toCaseFolded(c) ? lower : c;
}

namespace {

// Compares as a.toCaseFolded() with b.toCaseFolded() do, without making either: up to the first letter
// beyond ASCII both fold one letter to one, so only names that differ no earlier pay for the copies.
int compareFolded(const QString& a, const QString& b)
{
    const qsizetype common = std::min(a.size(), b.size());
    const QChar* x = a.constData();
    const QChar* y = b.constData();
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t p = x[i].unicode();
        const char16_t q = y[i].unicode();
        if (p >= 0x80 || q >= 0x80)
            return a.toCaseFolded().compare(b.toCaseFolded());
        const char16_t foldedP = p >= 'A' && p <= 'Z' ? char16_t(p - 'A' + 'a') : p;
        const char16_t foldedQ = q >= 'A' && q <= 'Z' ? char16_t(q - 'A' + 'a') : q;
        if (foldedP != foldedQ)
            return foldedP < foldedQ ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace

bool listOrderLess(const QString& a, const QString& b)
{
    const int folded = compareFolded(a, b);
    if (folded != 0) {
        return folded < 0;
    }
    return a < b;
}

void sortInListOrder(QStringList& names)
{
    // By a key of each name's first eight letters folded, read once: a big directory's names are then
    // mostly told apart without reaching for their text again, and no folded copy of them is made.
    // Only keys that tie, or names with other than ASCII among those letters, are compared in full.
    struct Keyed {
        quint64 key = 0;
        quint32 index = 0;
        bool plain = true; // the key holds the name's first letters, folded, exactly
    };
    const std::size_t count = std::size_t(names.size());
    std::vector<Keyed> keyed(count);
    for (std::size_t i = 0; i < count; ++i) {
        const QString& name = names[qsizetype(i)];
        Keyed& entry = keyed[i];
        entry.index = quint32(i);
        for (qsizetype k = 0; k < 8; ++k) {
            const char16_t c = k < name.size() ? name[k].unicode() : 0;
            if (c >= 0x80) {
                entry.plain = false;
                break;
            }
            entry.key = entry.key << 8 | quint64(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    std::sort(keyed.begin(), keyed.end(), [&names](const Keyed& a, const Keyed& b) {
        if (a.plain && b.plain && a.key != b.key)
            return a.key < b.key;
        return listOrderLess(names[qsizetype(a.index)], names[qsizetype(b.index)]);
    });
    // The names follow their keys cycle by cycle, in place.
    constexpr quint32 Placed = std::numeric_limits<quint32>::max();
    for (std::size_t start = 0; start < count; ++start) {
        if (keyed[start].index == Placed)
            continue;
        QString held = std::move(names[qsizetype(start)]);
        std::size_t at = start;
        for (;;) {
            const std::size_t from = std::exchange(keyed[at].index, Placed);
            if (from == start) {
                names[qsizetype(at)] = std::move(held);
                break;
            }
            names[qsizetype(at)] = std::move(names[qsizetype(from)]);
            at = from;
        }
    }
}

std::pair<qsizetype, qsizetype> listRangeBeginningWith(const QStringList& listed, const QString& prefix)
{
    const QString key = prefix.toCaseFolded();
    const auto first = std::lower_bound(listed.cbegin(), listed.cend(), key,
                                        [](const QString& name, const QString& k) { return name.toCaseFolded() < k; });
    const auto last = std::partition_point(first, listed.cend(),
                                           [&key](const QString& name) { return name.toCaseFolded().startsWith(key); });
    return {first - listed.cbegin(), last - listed.cbegin()};
}

DirectoryContents PosixFileSystem::read(const QString& directory, const QString& pattern, Wanted wanted) const
{
    const NameMatcher matcher(pattern);
    const bool wantFiles = wanted != Wanted::Directories;
    const bool wantDirectories = wanted != Wanted::Files;
    const EncodedPath path = encodeDirectory(directory);
    std::optional<SmallNameIndexes::Reading> smallNames = smallNames_.startReading(path.bytes);
    DirectoryContents contents;
    const FsResult read = readEntries(directory, hook_, [&](int dirFd, const dirent& entry) {
        if (smallNames && entry.d_type != DT_DIR)
            smallNames->add(entry.d_name);
        if (entry.d_name[0] == '.')
            return;
        // Matching before looking at the type keeps the stats to the few names that match.
        const bool file = wantFiles && matcher.matches(entry.d_name);
        if (!file && !wantDirectories)
            return;
        const std::optional<QString> name = decodedName(entry.d_name);
        if (!name)
            return;
        const EntryKind kind = kindOf(dirFd, entry);
        if (file && kind == EntryKind::NonDirectory)
            contents.files.append(*name);
        if (wantDirectories && kind == EntryKind::Directory)
            contents.directories.append(*name);
    });
    if (!read.ok)
        return {false, read.reason, {}, {}};
    if (smallNames)
        smallNames_.finishReading(path.bytes, std::move(*smallNames));
    sortInListOrder(contents.files);
    sortInListOrder(contents.directories);
    return contents;
}

DirectoryContents PosixFileSystem::readDirectory(const QString& directory, const QString& pattern) const
{
    return read(directory, pattern, Wanted::Both);
}

DirectoryListing PosixFileSystem::listFiles(const QString& directory, const QString& pattern) const
{
    DirectoryContents contents = read(directory, pattern, Wanted::Files);
    return {contents.ok, contents.reason, std::move(contents.files)};
}

DirectoryListing PosixFileSystem::listDirectories(const QString& directory) const
{
    DirectoryContents contents = read(directory, QString(), Wanted::Directories);
    return {contents.ok, contents.reason, std::move(contents.directories)};
}

QString PosixFileSystem::findFileIgnoringCase(const QString& directory, const QString& name) const
{
    const EncodedPath dirPath = encodeDirectory(directory);
    const std::optional<QByteArray> raw = plainName(name);
    if (!dirPath.reason.isEmpty() || !raw)
        return {};
    // The exact spelling wins anyway, so one stat spares reading the directory. On a file system that
    // itself ignores case (a FAT stick) this answers with the asked spelling: the same file.
    const QByteArray prefix = dirPath.bytes.endsWith('/') ? dirPath.bytes : dirPath.bytes + '/';
    if (isNonDirectory(prefix + *raw))
        return name;

    const QByteArray wanted = name.toCaseFolded().toUtf8();
    QStringList candidates;
    readEntries(directory, hook_, [&](int dirFd, const dirent& entry) {
        if (foldedKey(entry.d_name) != wanted || kindOf(dirFd, entry) != EntryKind::NonDirectory)
            return;
        if (const std::optional<QString> stored = decodedName(entry.d_name))
            candidates.append(*stored);
    });
    if (candidates.isEmpty())
        return {};
    return *std::min_element(candidates.cbegin(), candidates.cend(), listOrderLess);
}

namespace {

QString withCaseSwapped(const QString& name)
{
    QString swapped = name;
    for (QChar& c : swapped)
        c = c.isUpper() ? c.toLower() : c.toUpper();
    return swapped;
}

QString fromU32(const std::u32string& text)
{
    return QString::fromStdU32String(text);
}

// The listed entries whose names differ from `entry` only in letter case, `entry` among them, in list
// order. The list is sorted with case folded first, so they stand together.
QStringList namesAnsweringTo(const QString& entry, const QStringList& listed)
{
    const auto first =
        std::lower_bound(listed.cbegin(), listed.cend(), entry,
                         [](const QString& name, const QString& key) { return compareFolded(name, key) < 0; });
    QStringList names;
    for (auto it = first; it != listed.cend() && compareFolded(*it, entry) == 0; ++it)
        names.append(*it);
    if (!names.contains(entry)) {
        names.append(entry);
        sortInListOrder(names);
    }
    return names;
}

std::vector<std::u32string> toU32(const QStringList& names)
{
    std::vector<std::u32string> texts;
    texts.reserve(std::size_t(names.size()));
    for (const QString& name : names)
        texts.push_back(name.toStdU32String());
    return texts;
}

} // namespace

QHash<QString, QString> PosixFileSystem::findSmallPartners(const QString& directory, const QStringList& entries,
                                                           const QStringList& listed) const
{
    QHash<QString, QString> found;
    const EncodedPath dirPath = encodeDirectory(directory);
    if (!dirPath.reason.isEmpty())
        return found;
    const QByteArray prefix = dirPath.bytes.endsWith('/') ? dirPath.bytes : dirPath.bytes + '/';
    const auto exists = [&prefix](const QString& name) {
        const std::optional<QByteArray> raw = plainName(name);
        return raw && isNonDirectory(prefix + *raw);
    };
    // Stored under exactly this spelling. A file system that ignores case (FAT) answers to every
    // spelling, so there the name found is not known without reading the directory.
    const auto isFile = [&exists](const QString& name) { return exists(name) && !exists(withCaseSwapped(name)); };
    const std::optional<SmallNameIndexes::Trusted> index = smallNames_.trusted(dirPath.bytes);

    // An entry alone in its letter-case family takes its partner by a look at the spellings it is likely
    // to have; the directory is read only for the others.
    QHash<QString, QStringList> families;     // entry -> its family, for the entries that need the read
    QHash<QByteArray, QStringList> spellings; // folded partner name -> the stored spellings answering
    for (const QString& entry : entries) {
        const std::u32string entry32 = entry.toStdU32String();
        const QString exact = fromU32(naming::smallPartnerOfEntry(entry32));
        const QByteArray folded = exact.toCaseFolded().toUtf8();
        const QStringList family = namesAnsweringTo(entry, listed);
        if (family.size() == 1) {
            const QString written = fromU32(naming::userSmallFileName(naming::stemOfEntry(entry32), smallNameLetter));
            // The two spellings that win over any other; a directory unchanged since it was indexed
            // tells which it holds without a look at the disk.
            const QString likely[] = {exact, written};
            if (index) {
                if (index->count(folded) == 0)
                    continue;
                const auto held = [&](const QString& name) {
                    const std::optional<QByteArray> raw = plainName(name);
                    return raw && index->holds(folded, *raw) && exists(name);
                };
                if (const auto first = std::find_if(std::cbegin(likely), std::cend(likely), held);
                    first != std::cend(likely)) {
                    found.insert(entry, *first);
                    continue;
                }
            } else if (const auto first = std::find_if(std::cbegin(likely), std::cend(likely), isFile);
                       first != std::cend(likely)) {
                found.insert(entry, *first);
                continue;
            }
        }
        families.insert(entry, family);
        spellings.insert(folded, {});
    }
    if (families.isEmpty())
        return found;

    std::optional<SmallNameIndexes::Reading> smallNames = smallNames_.startReading(dirPath.bytes);
    const FsResult read = readEntries(directory, hook_, [&](int dirFd, const dirent& entry) {
        if (smallNames && entry.d_type != DT_DIR)
            smallNames->add(entry.d_name);
        const std::optional<QByteArray> key = foldedKey(entry.d_name);
        if (!key || !spellings.contains(*key) || kindOf(dirFd, entry) != EntryKind::NonDirectory)
            return;
        if (const std::optional<QString> name = decodedName(entry.d_name))
            spellings[*key].append(*name);
    });
    // Half a directory could pair a set with another's small picture: better none.
    if (!read.ok)
        return found;
    if (smallNames)
        smallNames_.finishReading(dirPath.bytes, std::move(*smallNames));
    for (auto it = families.cbegin(); it != families.cend(); ++it) {
        const QString& entry = it.key();
        const QStringList& family = it.value();
        QStringList candidates =
            spellings.value(fromU32(naming::smallPartnerOfEntry(entry.toStdU32String())).toCaseFolded().toUtf8());
        sortInListOrder(candidates);
        const std::vector<int> pairs = naming::pairSmallPictures(toU32(family), toU32(candidates), smallNameLetter);
        const int partner = pairs[std::size_t(family.indexOf(entry))];
        if (partner >= 0)
            found.insert(entry, candidates[partner]);
    }
    return found;
}

QList<Volume> PosixFileSystem::volumes() const
{
    // A local volume answers from memory at once; only one that hangs costs the whole wait.
    return mountedVolumes(std::chrono::milliseconds(300));
}

bool PosixFileSystem::takesOnlyWindowsNames(const QString& directory) const
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    const QString path = QFileInfo(directory).canonicalFilePath();
    return !path.isEmpty() && table.open(QIODevice::ReadOnly) &&
           platform::takesOnlyWindowsNames(mountAt(volumeCandidates(table.readAll()), path));
}

QString PosixFileSystem::findConflict(const QString& directory, const QString& name, const QString& except) const
{
    struct stat exempt {};
    const bool hasExempt = !except.isEmpty() && ::lstat(QFile::encodeName(except).constData(), &exempt) == 0;
    const QByteArray folded = name.toCaseFolded().toUtf8();
    QStringList answering;
    readEntries(directory, hook_, [&](int dirFd, const dirent& entry) {
        if (foldedKey(entry.d_name) != folded)
            return;
        const std::optional<QString> entryName = decodedName(entry.d_name);
        if (!entryName)
            return;
        // The same file under another name (a change of letter case, a case-blind file system) is no obstacle.
        struct stat st {};
        if (hasExempt && ::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == exempt.st_dev &&
            st.st_ino == exempt.st_ino)
            return;
        answering.append(*entryName);
    });
    if (answering.isEmpty())
        return {};
    return *std::min_element(answering.cbegin(), answering.cend(), listOrderLess);
}

FsResult PosixFileSystem::copyFile(const QString& source, const QString& target)
{
    return noreplace::copyFile(source, target, hook_);
}

FsResult PosixFileSystem::moveFile(const QString& source, const QString& target, const FileIdentity& expected)
{
    return noreplace::moveFile(source, target, expected, hook_);
}

FsResult PosixFileSystem::removeFile(const QString& path, const FileIdentity& expected)
{
    return noreplace::removeFile(path, expected, hook_);
}

} // namespace platform
