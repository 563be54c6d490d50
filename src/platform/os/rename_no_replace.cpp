#include "platform/os/rename_no_replace.h"

#include <optional>

#include <QFile>
#include <QFileInfo>

#include "platform/os/directory_reading.h"
#include "platform/os/file_checks.h"
#include "platform/os/list_order.h"

namespace platform::noreplace {

namespace {

// Whether every entry of the directory answering to `name` with case ignored is spelled `spelling`.
bool onlySpelling(const Calls& calls, const QByteArray& directory, const QString& name, const QString& spelling)
{
    bool only = true;
    bool seen = false;
    const FsResult read = readEntries(directory, calls.hook(), [&](int, const dirent& entry) {
        const QString entryName = QFile::decodeName(entry.d_name);
        if (!sameNameIgnoringCase(entryName, name))
            return;
        seen = true;
        only = only && entryName == spelling;
    });
    return read.ok && seen && only;
}

// A change of letter case on a file system that ignores case: the target "exists" because it is the
// file itself. The inode numbers tell, except through FUSE, which numbers every spelling apart; there
// the directory tells, when it holds the name in no spelling but the one renamed.
bool sameFileInOtherCase(const Calls& calls, const QByteArray& from, const QByteArray& to)
{
    const QFileInfo a(QFile::decodeName(from));
    const QFileInfo b(QFile::decodeName(to));
    return a.path() == b.path() && a.fileName() != b.fileName() && sameNameIgnoringCase(a.fileName(), b.fileName()) &&
           (sameFile(from, to) || onlySpelling(calls, parentOf(from), a.fileName(), a.fileName()));
}

// Steps aside through a hidden name, so that the case-blind file system sees two different names.
Renamed renameThroughAside(const Calls& calls, const QByteArray& from, const QByteArray& to)
{
    const QByteArray aside = hiddenNameBeside(to, "renaming");
    const Renamed first = renameNoReplace(calls, from, aside);
    if (first.error != 0)
        return {first.error, false, first.bothNames ? aside : QByteArray()};
    Renamed second = renameNoReplace(calls, aside, to);
    if (second.error != 0 && !second.bothNames && renameNoReplace(calls, aside, from).error != 0)
        second.strandedAt = aside;
    return second;
}

// The target is taken: by the file itself in another letter case, or by another file.
Renamed taken(const Calls& calls, const QByteArray& from, const QByteArray& to)
{
    return sameFileInOtherCase(calls, from, to) ? renameThroughAside(calls, from, to) : Renamed{EEXIST, false, {}};
}

// A hard link, then the old name goes; nothing when the file system has no links.
std::optional<Renamed> renameByLink(const Calls& calls, const QByteArray& from, const QByteArray& to)
{
    if (calls.link(from, to) == 0) {
        // Both names lead to the file now: if their numbers differ, the server numbers names, not files.
        const std::optional<struct stat> linked = lstatOf(to), original = lstatOf(from);
        const bool renumbered = linked && original && !sameInode(*linked, *original);
        const bool same = linked && original && (!renumbered || sameFileRenumbered(*linked, *original));
        if (calls.unlink(from) == 0)
            return Renamed{0, false, {}, renumbered};
        const int error = errno;
        // The second name we just gave it goes again; the file keeps its first.
        const bool removed = same && calls.unlink(to) == 0;
        return Renamed{error, !removed, {}, renumbered};
    }
    const int error = errno;
    if (error == EEXIST)
        return taken(calls, from, to);
    if (!unsupported(error))
        return Renamed{error, false, {}};
    return std::nullopt;
}

} // namespace

Renamed renameNoReplace(const Calls& calls, const QByteArray& from, const QByteArray& to)
{
    if (calls.renameNoReplace(from, to) == 0)
        return {};
    const int error = errno;
    if (error == EEXIST)
        return taken(calls, from, to);
    if (!unsupported(error))
        return {error, false, {}};
    if (std::optional<Renamed> linked = renameByLink(calls, from, to))
        return *linked;
    if (lstatOf(to)) {
        if (!sameFileInOtherCase(calls, from, to))
            return {EEXIST, false, {}};
    } else if (errno != ENOENT) {
        return {errno, false, {}};
    }
    return {calls.rename(from, to) == 0 ? 0 : errno, false, {}};
}

} // namespace platform::noreplace
