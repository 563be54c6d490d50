#include "dataset.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QString>

#include "harness.h"
#include "naming/portrait_names.h"
#include "platform/os/file_system.h"
#include "sets/small_name_letter.h"
#include "support/bitmap_file.h"

namespace portraitbench {

namespace {

void writeFile(const std::string& path, const QByteArray& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("cannot create " + path + ": " + std::strerror(errno));
    std::size_t written = 0;
    while (written < std::size_t(bytes.size())) {
        const ssize_t n = ::write(fd, bytes.data() + written, std::size_t(bytes.size()) - written);
        if (n <= 0)
            fail("cannot write " + path + ": " + std::strerror(errno));
        written += std::size_t(n);
    }
    ::close(fd);
}

// A 24-bit bitmap whose first pixel spells `index`, over a gradient, so that no two share their pixels.
void writeBitmap(const std::string& path, int width, int height, std::uint32_t index)
{
    testsupport::BitmapHeader header;
    header.width = width;
    header.height = height;
    const auto pixel = [index](int x, int y) {
        const auto blue = static_cast<unsigned char>((x + y) * 2 + index * 13);
        const auto green = static_cast<unsigned char>((index >> 8) + std::uint32_t(y));
        const auto red = static_cast<unsigned char>(index + std::uint32_t(x));
        return quint64(blue) | quint64(green) << 8 | quint64(red) << 16;
    };
    writeFile(path, testsupport::bitmapFile(header, testsupport::bitmapRows(width, height, 24, pixel)));
}

qint64 diskBytesOf(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? qint64(st.st_blocks) * 512 : 0;
}

void removeFlat(const std::string& directory)
{
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    for (const std::string& name : namesIn(directory))
        ::unlinkat(fd, name.c_str(), 0);
    ::close(fd);
    ::rmdir(directory.c_str());
}

} // namespace

std::u32string toU32(const std::string& ascii)
{
    return std::u32string(ascii.begin(), ascii.end());
}

std::string toUtf8(const std::u32string& text)
{
    return QString::fromStdU32String(text).toStdString();
}

std::vector<std::string> namesIn(const std::string& directory)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

// --- Set names ------------------------------------------------------------------------------------

SetNames::SetNames(long sets, bool tenthWithoutSmall)
    : sets_(sets), perPrefix_((sets + 7) / 8), tenthWithoutSmall_(tenthWithoutSmall)
{
    for (long reach = 100000; perPrefix_ > reach; reach *= 10)
        ++digits_;
}

std::string SetNames::stem(long i) const
{
    static const char* const prefixes[] = {"FM", "FP", "FR", "FW", "MM", "MP", "MR", "MW"};
    char number[32];
    std::snprintf(number, sizeof number, "%0*ld", digits_, i % perPrefix_);
    return std::string(prefixes[i / perPrefix_]) + number;
}

std::string SetNames::large(long i) const
{
    return toUtf8(naming::userLargeFileName(toU32(stem(i))));
}

std::string SetNames::small(long i) const
{
    return toUtf8(naming::userSmallFileName(toU32(stem(i)), sets::smallNameLetter));
}

// --- Dataset --------------------------------------------------------------------------------------

Dataset::Dataset(const std::string& root, const std::string& name, const SetNames& names, int largeWidth,
                 int largeHeight, int smallWidth, int smallHeight, long distinct)
    : directory_(joined(root, name)), pool_(directory_ + "-pool")
{
    const auto start = Clock::now();
    if (::mkdir(directory_.c_str(), 0755) != 0 || ::mkdir(pool_.c_str(), 0755) != 0)
        fail("cannot create " + directory_ + ": " + std::strerror(errno));
    distinct_ = std::min(distinct, names.count());
    std::vector<std::string> large;
    std::vector<std::string> small;
    writePool(largeWidth, largeHeight, smallWidth, smallHeight, large, small);
    link(names, large, small);
    ::sync();
    diskBytes_ = diskBytesOf(directory_) + diskBytesOf(pool_);
    for (const std::string& file : namesIn(pool_))
        diskBytes_ += diskBytesOf(joined(pool_, file));
    std::fprintf(stderr, "generated %ld sets (%ld distinct large and small pictures) in %.1f s, %.1f MB on disk\n",
                 names.count(), distinct_, millisecondsSince(start) / 1000, double(diskBytes_) / 1e6);
    waitUntilSettled();
}

Dataset::~Dataset()
{
    const auto start = Clock::now();
    removeFlat(directory_);
    removeFlat(pool_);
    std::fprintf(stderr, "removed %s in %.1f s\n", directory_.c_str(), millisecondsSince(start) / 1000);
}

void Dataset::writePool(int largeWidth, int largeHeight, int smallWidth, int smallHeight,
                        std::vector<std::string>& large, std::vector<std::string>& small) const
{
    for (long k = 0; k < distinct_; ++k) {
        large.push_back("L" + std::to_string(k) + ".bmp");
        small.push_back("S" + std::to_string(k) + ".bmp");
        writeBitmap(joined(pool_, large.back()), largeWidth, largeHeight, std::uint32_t(k));
        writeBitmap(joined(pool_, small.back()), smallWidth, smallHeight, std::uint32_t(k));
    }
}

// A million sets are two million names: links made with descriptors, not paths, and nothing else.
void Dataset::link(const SetNames& names, const std::vector<std::string>& large,
                   const std::vector<std::string>& small) const
{
    const int poolFd = ::open(pool_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int dirFd = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (poolFd < 0 || dirFd < 0)
        fail("cannot open " + directory_);
    for (long i = 0; i < names.count(); ++i) {
        // Round-robin in list order: neighbouring sets and pages never share a file.
        const std::size_t k = std::size_t(i % distinct_);
        if (::linkat(poolFd, large[k].c_str(), dirFd, names.large(i).c_str(), 0) != 0 ||
            (names.hasSmall(i) && ::linkat(poolFd, small[k].c_str(), dirFd, names.small(i).c_str(), 0) != 0))
            fail("cannot link in " + directory_ + ": " + std::strerror(errno));
    }
    ::close(poolFd);
    ::close(dirFd);
}

// The program trusts what it learnt of a directory only once the directory has been still for a
// second, as a user's is; a fresh one would be read again at every look-up.
void Dataset::waitUntilSettled() const
{
    const auto nanoseconds = [](const timespec& time) { return std::int64_t(time.tv_sec) * 1000000000 + time.tv_nsec; };
    for (;;) {
        struct stat st {};
        timespec now{};
        ::stat(directory_.c_str(), &st);
        ::clock_gettime(CLOCK_REALTIME, &now);
        if (nanoseconds(now) - std::max(nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)) > 1500000000)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

} // namespace portraitbench
