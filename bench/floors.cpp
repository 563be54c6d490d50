#include "floors.h"

#include <algorithm>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace portraitbench {

namespace {

// strcasecmp would follow the locale; names are compared the same way everywhere.
char foldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool endsWithFolded(const char* name, std::size_t length, const char* lowerSuffix, std::size_t suffixLength)
{
    if (length < suffixLength)
        return false;
    for (std::size_t i = 0; i < suffixLength; ++i)
        if (foldAscii(name[length - suffixLength + i]) != lowerSuffix[i])
            return false;
    return true;
}

void sortFolded(std::vector<std::string>& names)
{
    struct Keyed {
        std::string folded;
        std::string name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (std::string& name : names) {
        std::string folded = name;
        std::transform(folded.begin(), folded.end(), folded.begin(), foldAscii);
        keyed.push_back({std::move(folded), std::move(name)});
    }
    // Names equal but for case are ordered by their bytes, so the order never depends on the disk's.
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        const int folded = a.folded.compare(b.folded);
        return folded != 0 ? folded < 0 : a.name < b.name;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        names[i] = std::move(keyed[i].name);
}

bool isDirectoryEntry(int dirFd, const dirent& entry)
{
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return entry.d_type == DT_DIR;
    struct stat st {};
    return ::fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::vector<std::string> plainRead(const std::string& directory, std::vector<std::string>* subdirectories)
{
    std::vector<std::string> large;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr)
        return large;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::size_t length = std::strlen(entry->d_name);
        const bool picture = endsWithFolded(entry->d_name, length, "l.bmp", 5);
        if (!picture && subdirectories == nullptr)
            continue;
        const bool isDirectory = isDirectoryEntry(::dirfd(dir), *entry);
        if (picture && !isDirectory)
            large.emplace_back(entry->d_name, length);
        else if (isDirectory && subdirectories != nullptr)
            subdirectories->emplace_back(entry->d_name, length);
    }
    ::closedir(dir);
    sortFolded(large);
    if (subdirectories != nullptr)
        sortFolded(*subdirectories);
    return large;
}

bool statOnce(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

long listShare(const std::string& directory)
{
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr)
        return -1;
    long entries = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        ++entries;
        struct stat st {};
        if (entry->d_type == DT_UNKNOWN)
            ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW);
    }
    ::closedir(dir);
    return entries;
}

} // namespace portraitbench
