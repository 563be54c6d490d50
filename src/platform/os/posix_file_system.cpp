#include "platform/os/posix_file_system.h"

#include <algorithm>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "platform/os/directory_reading.h"
#include "platform/os/list_order.h"
#include "platform/os/mounted_volumes.h"
#include "platform/os/name_matcher.h"
#include "platform/os/names_on_disk.h"
#include "platform/os/no_replace.h"

namespace platform {

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
    readEntries(dirPath.bytes, hook_, [&](int dirFd, const dirent& entry) {
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

} // namespace

QHash<QByteArray, QStringList> PosixFileSystem::unanswered(const QByteArray& directory,
                                                           const QList<SpellingQuery>& queries,
                                                           StoredSpellings& found) const
{
    const QByteArray prefix = directory.endsWith('/') ? directory : directory + '/';
    const auto exists = [&prefix](const QString& name) {
        const std::optional<QByteArray> raw = plainName(name);
        return raw && isNonDirectory(prefix + *raw);
    };
    // Stored under exactly this spelling. A file system that ignores case (FAT) answers to every
    // spelling, so there the name found is not known without reading the directory.
    const auto isFile = [&exists](const QString& name) { return exists(name) && !exists(withCaseSwapped(name)); };
    const std::optional<SmallNameIndexes::Trusted> index = smallNames_.trusted(directory);
    QHash<QByteArray, QStringList> spellings; // folded name -> the stored spellings answering
    for (qsizetype i = 0; i < queries.size(); ++i) {
        const QStringList& likely = queries[i].likely;
        const QByteArray folded = queries[i].name.toCaseFolded().toUtf8();
        // A directory unchanged since it was indexed tells which likely spelling it holds without a look.
        const auto held = [&](const QString& name) {
            const std::optional<QByteArray> raw = plainName(name);
            return raw && index->holds(folded, *raw) && exists(name);
        };
        if (!likely.isEmpty() && index && index->count(folded) == 0)
            continue;
        const auto first = index ? std::find_if(likely.cbegin(), likely.cend(), held)
                                 : std::find_if(likely.cbegin(), likely.cend(), isFile);
        if (first != likely.cend())
            found.spellings[i] = {*first};
        else
            spellings.insert(folded, {});
    }
    return spellings;
}

StoredSpellings PosixFileSystem::findSpellings(const QString& directory, const QList<SpellingQuery>& queries) const
{
    StoredSpellings found;
    found.spellings.resize(queries.size());
    const EncodedPath dirPath = encodeDirectory(directory);
    if (!dirPath.reason.isEmpty())
        return {false, dirPath.reason, found.spellings};
    QHash<QByteArray, QStringList> spellings = unanswered(dirPath.bytes, queries, found);
    if (spellings.isEmpty())
        return found;

    std::optional<SmallNameIndexes::Reading> smallNames = smallNames_.startReading(dirPath.bytes);
    const FsResult read = readEntries(dirPath.bytes, hook_, [&](int dirFd, const dirent& entry) {
        if (smallNames && entry.d_type != DT_DIR)
            smallNames->add(entry.d_name);
        const std::optional<QByteArray> key = foldedKey(entry.d_name);
        if (!key || !spellings.contains(*key) || kindOf(dirFd, entry) != EntryKind::NonDirectory)
            return;
        if (const std::optional<QString> name = decodedName(entry.d_name))
            spellings[*key].append(*name);
    });
    if (!read.ok)
        return {false, read.reason, found.spellings};
    if (smallNames)
        smallNames_.finishReading(dirPath.bytes, std::move(*smallNames));
    for (qsizetype i = 0; i < queries.size(); ++i) {
        const auto answering = spellings.find(queries[i].name.toCaseFolded().toUtf8());
        if (answering == spellings.end() || !found.spellings[i].isEmpty())
            continue;
        found.spellings[i] = *answering;
        sortInListOrder(found.spellings[i]);
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
