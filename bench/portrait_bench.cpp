// Measures the program on generated portrait directories and prints every figure beside its floor: the
// least work plain code does for the same visible result, measured in the same rounds, because this
// machine's speed varies from run to run. `portrait_bench --help` tells what each figure is.
//
// Each size runs in child processes of its own, so that its peak memory is its own.

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include "gallery/frm_browser.h"
#include "manager/frm_main.h"
#include "naming/portrait_names.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/dir_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/image_box.h"
#include "platform/os/pictures.h"
#include "platform/os/posix_file_system.h"
#include "platform/os/random_source.h"
#include "sets/small_name_letter.h"

#include "fuse_request_counts.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
constexpr int LargeWidth = 110;
constexpr int LargeHeight = 170;
constexpr int SmallWidth = 38;
constexpr int SmallHeight = 60;
constexpr int HugeSide = 4096;
constexpr long HugeSets = 40;
// More pictures than any run shows, so that no two rounds in reach of each other share a file.
constexpr long DistinctPictures = 4096;
const char* const DropCaches = "/proc/sys/vm/drop_caches";

const char* const Usage = R"(Usage: portrait_bench [options]

Times the program on generated portrait directories and prints every figure beside its floor: the
least work plain code does for the same visible result, measured in the same rounds.

Options:
  --sizes a,b,...  directory sizes in sets (default 1000,10000,100000,1000000)
  --runs R         rounds per figure (default 5)
  --warm-only      only the figures with a warm cache
  --cold-only      only the figures with a cold cache
  --no-huge        leave out the gallery over 40 sets of 4096 x 4096 pictures
  --share-latency a,b,...  only the slow share's figures, at these milliseconds per request
                  (sizes 1000,10000 and 3 rounds unless --sizes and --runs say otherwise)
  --help           this text

Figures, program against floor:
  listing         FileListBox::setPath on the directory, against readdir, a case-blind match of
                  "l.bmp" (ASCII) and a sort (case folded, then bytes)
  start-up        a new process until the manager window has painted, against a new process that
                  reads the directory once, sorts it into its "*L.bmp" files and its subdirectories
                  and paints an empty 681 x 473 window
  selection       choosing a set in the source list, through the end of its refresh, against one
                  stat of each of its two files and decoding both; for a set without small picture
                  (the message box answered at once) a stat of the large file and of the missing
                  small name and decoding the large one
  full-page scroll  the gallery maximised on a 1920 x 1080 screen, its scroll bar moved by one page
                  until painted, against decoding the large and small pictures of a page once
  one-row scroll  the same by one row, against decoding the pictures of one row once
  4096 gallery    40 sets of 4096 x 4096 pictures: the gallery switched to full screen until painted,
                  and the peak resident memory of that process
  memory per set  (peak of a session over N sets - peak of the same session over an empty
                  directory) / N, a process per size; the session starts the manager, selects a
                  set, opens the gallery, goes full screen and scrolls a few times

Every figure is the median of R rounds. A round runs the program once and the floor once,
alternating which goes first, each on a set or page no earlier round of either side touched, so that
neither is served by a cache the other filled. Warm: every file the action reads was read once just
before. Cold: when /proc/sys/vm/drop_caches can be written, sync and "3" written there before each
program run and each floor run ("page cache dropped"); otherwise posix_fadvise(POSIX_FADV_DONTNEED)
on every file the action reads and on the directory ("fadvise per file"). Pages that running
processes have mapped stay either way: a cold start-up finds Qt's libraries in memory, since the
bench itself has them mapped.

Slow share (--share-latency): the directory is served by our FUSE passthrough
(tests/support/fuse_passthrough), which waits the given time at the start of every request it answers,
mounted afresh before every run. A new process per round starts the manager on the share, chooses a
set, opens the gallery and copies the set into an empty directory on the same share, each after a
pause of 1.5 s (the kernel forgets what the share told it after 1 s). Each is printed beside a plain
listing of the directory on the share (readdir, and an lstat of each entry whose type readdir leaves
unknown, as ls -l does) and with the requests the passthrough answered. Without --runs, no further
round starts once a size and latency has taken 2 minutes. Exits with 77 where FUSE cannot be mounted.

Data: sets named as the program writes them (stems such as MM01234), 4096 distinct large and small
bitmaps per directory and hard links to them for the other sets, one set in ten without small
picture, in a temporary directory. Goals are judged at 100,000 and 1,000,000 sets, warm.
)";

[[noreturn]] void fail(const std::string& why)
{
    std::fflush(stdout);
    std::fprintf(stderr, "portrait_bench: %s\n", why.c_str());
    std::exit(1);
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double timeMilliseconds(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return millisecondsSince(start);
}

// Shared by a process and the children it starts, so a child can tell how long ago it was asked for.
std::int64_t monotonicNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long peakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string joined(const std::string& directory, const std::string& name)
{
    return directory + '/' + name;
}

// --- The floors' plain C++ ------------------------------------------------------------------------

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

// The directory's large pictures in list order, hidden names left out; its subdirectories as well when
// asked for.
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

// --- Generated directories ------------------------------------------------------------------------

std::u32string toU32(const std::string& ascii)
{
    return std::u32string(ascii.begin(), ascii.end());
}

std::string toUtf8(const std::u32string& text)
{
    return QString::fromStdU32String(text).toStdString();
}

// The sets of a generated directory. Prefixes run in case-folded order and numbers have one width, so
// set i is the i-th entry of the program's list.
class SetNames {
public:
    SetNames(long sets, bool tenthWithoutSmall)
        : sets_(sets), perPrefix_((sets + 7) / 8), tenthWithoutSmall_(tenthWithoutSmall)
    {
        for (long reach = 100000; perPrefix_ > reach; reach *= 10)
            ++digits_;
    }

    long count() const { return sets_; }
    bool hasSmall(long i) const { return !tenthWithoutSmall_ || i % 10 != 9; }
    std::string stem(long i) const
    {
        static const char* const prefixes[] = {"FM", "FP", "FR", "FW", "MM", "MP", "MR", "MW"};
        char number[32];
        std::snprintf(number, sizeof number, "%0*ld", digits_, i % perPrefix_);
        return std::string(prefixes[i / perPrefix_]) + number;
    }
    std::string large(long i) const { return toUtf8(naming::userLargeFileName(toU32(stem(i)))); }
    std::string small(long i) const { return toUtf8(naming::userSmallFileName(toU32(stem(i)), sets::smallNameLetter)); }

private:
    long sets_;
    long perPrefix_;
    bool tenthWithoutSmall_;
    int digits_ = 5;
};

void putLittleEndian(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + std::size_t(i)] = static_cast<unsigned char>(value >> (8 * i));
}

// A 24-bit bitmap whose first pixel spells `index`, over a gradient, so that no two share their pixels.
void writeBitmap(const std::string& path, int width, int height, std::uint32_t index)
{
    const std::size_t rowBytes = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    const std::size_t pixelBytes = rowBytes * std::size_t(height);
    std::vector<unsigned char> bytes(54 + pixelBytes, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLittleEndian(bytes, 2, std::uint32_t(bytes.size()), 4);
    putLittleEndian(bytes, 10, 54, 4);
    putLittleEndian(bytes, 14, 40, 4);
    putLittleEndian(bytes, 18, std::uint32_t(width), 4);
    putLittleEndian(bytes, 22, std::uint32_t(height), 4);
    putLittleEndian(bytes, 26, 1, 2);
    putLittleEndian(bytes, 28, 24, 2);
    putLittleEndian(bytes, 34, std::uint32_t(pixelBytes), 4);
    putLittleEndian(bytes, 38, 2835, 4);
    putLittleEndian(bytes, 42, 2835, 4);
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom up.
        unsigned char* row = bytes.data() + 54 + rowBytes * std::size_t(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<unsigned char>((x + y) * 2 + index * 13);
            row[3 * x + 1] = static_cast<unsigned char>((index >> 8) + std::uint32_t(y));
            row[3 * x + 2] = static_cast<unsigned char>(index + std::uint32_t(x));
        }
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("cannot create " + path + ": " + std::strerror(errno));
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0)
            fail("cannot write " + path + ": " + std::strerror(errno));
        written += std::size_t(n);
    }
    ::close(fd);
}

qint64 diskBytesOf(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? qint64(st.st_blocks) * 512 : 0;
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

// A portrait directory and, beside it, the distinct pictures its files are hard links to.
class Dataset {
public:
    Dataset(const std::string& root, const std::string& name, const SetNames& names, int largeWidth, int largeHeight,
            int smallWidth, int smallHeight, long distinct)
        : directory_(joined(root, name)), pool_(directory_ + "-pool")
    {
        const auto start = Clock::now();
        if (::mkdir(directory_.c_str(), 0755) != 0 || ::mkdir(pool_.c_str(), 0755) != 0)
            fail("cannot create " + directory_ + ": " + std::strerror(errno));
        distinct_ = std::min(distinct, names.count());
        std::vector<std::string> large;
        std::vector<std::string> small;
        for (long k = 0; k < distinct_; ++k) {
            large.push_back("L" + std::to_string(k) + ".bmp");
            small.push_back("S" + std::to_string(k) + ".bmp");
            writeBitmap(joined(pool_, large.back()), largeWidth, largeHeight, std::uint32_t(k));
            writeBitmap(joined(pool_, small.back()), smallWidth, smallHeight, std::uint32_t(k));
        }
        // A million sets are two million names: links made with descriptors, not paths, and nothing else.
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
        ::sync();
        diskBytes_ = diskBytesOf(directory_) + diskBytesOf(pool_);
        for (const std::string& file : namesIn(pool_))
            diskBytes_ += diskBytesOf(joined(pool_, file));
        std::fprintf(stderr, "generated %ld sets (%ld distinct large and small pictures) in %.1f s, %.1f MB on disk\n",
                     names.count(), distinct_, millisecondsSince(start) / 1000, double(diskBytes_) / 1e6);
        waitUntilSettled();
    }

    ~Dataset()
    {
        const auto start = Clock::now();
        removeFlat(directory_);
        removeFlat(pool_);
        std::fprintf(stderr, "removed %s in %.1f s\n", directory_.c_str(), millisecondsSince(start) / 1000);
    }

    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;

    const std::string& directory() const { return directory_; }
    long distinct() const { return distinct_; }
    qint64 diskBytes() const { return diskBytes_; }

private:
    // The program trusts what it learnt of a directory only once the directory has been still for a
    // second, as a user's is; a fresh one would be read again at every look-up.
    void waitUntilSettled() const
    {
        const auto nanoseconds = [](const timespec& time) {
            return std::int64_t(time.tv_sec) * 1000000000 + time.tv_nsec;
        };
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

    static void removeFlat(const std::string& directory)
    {
        const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        for (const std::string& name : namesIn(directory))
            ::unlinkat(fd, name.c_str(), 0);
        ::close(fd);
        ::rmdir(directory.c_str());
    }

    std::string directory_;
    std::string pool_;
    long distinct_ = 0;
    qint64 diskBytes_ = 0;
};

// --- Caches ---------------------------------------------------------------------------------------

enum class Cache { Warm, Cold };

const char* cacheName(Cache cache)
{
    return cache == Cache::Warm ? "warm" : "cold";
}

class CacheControl {
public:
    CacheControl()
    {
        const int fd = ::open(DropCaches, O_WRONLY | O_CLOEXEC);
        dropsPageCache_ = fd >= 0;
        if (fd >= 0)
            ::close(fd);
    }

    const char* coldMethod() const { return dropsPageCache_ ? "page cache dropped" : "fadvise per file"; }

    void makeCold(const std::vector<std::string>& files, const std::string& directory) const
    {
        if (dropsPageCache_) {
            // Dirty pages cannot be dropped.
            ::sync();
            const int fd = ::open(DropCaches, O_WRONLY | O_CLOEXEC);
            if (fd < 0 || ::write(fd, "3", 1) != 1)
                fail(std::string("cannot write ") + DropCaches);
            ::close(fd);
            return;
        }
        for (const std::string& file : files)
            forget(file, O_RDONLY);
        forget(directory, O_RDONLY | O_DIRECTORY);
    }

    void makeWarm(const std::vector<std::string>& files, const std::string& directory) const
    {
        std::vector<char> buffer(1 << 16);
        for (const std::string& file : files) {
            const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            while (::read(fd, buffer.data(), buffer.size()) > 0) {
            }
            ::close(fd);
        }
        if (DIR* dir = ::opendir(directory.c_str())) {
            while (::readdir(dir) != nullptr) {
            }
            ::closedir(dir);
        }
    }

private:
    static void forget(const std::string& path, int flags)
    {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
        if (fd < 0)
            return;
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }

    bool dropsPageCache_ = false;
};

// --- The program's surroundings -------------------------------------------------------------------

class AnswerFour final : public platform::Dialogs {
protected:
    platform::MessageResult showMessageBox(const QString&, const QString&, platform::MessageButtons,
                                           platform::MessageIcon) override
    {
        return platform::MessageResult::Ok;
    }
    std::optional<QString> showInputBox(const QString&, const QString&, const QString&) override
    {
        return QStringLiteral("4");
    }
};

class NeverAbout final : public platform::RandomSource {
public:
    double next() override { return 0; }
};

struct Services {
    platform::PosixFileSystem fileSystem;
    AnswerFour dialogs;
    NeverAbout random;
    platform::Services forWindows() { return platform::Services{fileSystem, dialogs, random}; }
};

// Paints of one window, so that an action is timed until what it changed is on the screen.
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(const QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    PaintWatch(const PaintWatch&) = delete;
    PaintWatch& operator=(const PaintWatch&) = delete;

    // `counts`, when given, picks the paints that show the result: a window may paint a notice first.
    void watch(const QWidget* window, std::function<bool(const QWidget*)> counts = {})
    {
        window_ = window;
        counts_ = std::move(counts);
    }

    void waitPainted()
    {
        const int before = paints_;
        const auto start = Clock::now();
        while (paints_ == before) {
            QApplication::processEvents();
            if (millisecondsSince(start) > 120000)
                fail("the window did not paint within two minutes");
        }
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && object->isWidgetType() &&
            static_cast<QWidget*>(object)->window() == window_ && (!counts_ || counts_(static_cast<QWidget*>(object))))
            ++paints_;
        return false;
    }

private:
    const QWidget* window_;
    std::function<bool(const QWidget*)> counts_;
    int paints_ = 0;
};

// The offscreen platform says so at every fixed-size window; everything else is passed on.
QtMessageHandler passOn = nullptr;

void quietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (passOn != nullptr)
        passOn(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// Nothing left over from one action may run inside the next one's time.
void settle()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

void requireBigScreen()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    if (screen.size() != QSize(ScreenWidth, ScreenHeight))
        fail(QStringLiteral("the screen is %1 x %2, not %3 x %4: run portrait_bench without internal options")
                 .arg(screen.width())
                 .arg(screen.height())
                 .arg(ScreenWidth)
                 .arg(ScreenHeight)
                 .toStdString());
}

frmBrowser* visibleGallery()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* browser = qobject_cast<frmBrowser*>(widget); browser && browser->isVisible())
            return browser;
    return nullptr;
}

// The gallery paints its notice alone first, and its first page once that is on screen.
void waitOpened(const frmBrowser* gallery, PaintWatch& watch)
{
    watch.waitPainted();
    const auto start = Clock::now();
    while (!gallery->opened()) {
        QApplication::processEvents();
        if (millisecondsSince(start) > 120000)
            fail("the gallery did not lay out its first page within two minutes");
    }
    watch.waitPainted();
}

// Opens the gallery over the manager's source list and maximises it, each until painted.
frmBrowser* openFullScreenGallery(frmMain& manager, PaintWatch& watch)
{
    manager.findChild<QPushButton*>(QStringLiteral("BrowseButton"))->click();
    frmBrowser* gallery = visibleGallery();
    if (gallery == nullptr)
        return nullptr;
    watch.watch(gallery);
    waitOpened(gallery, watch);
    settle();
    gallery->mnuOptions_Click(1);
    watch.waitPainted();
    settle();
    if (!gallery->isMaximized() || gallery->frameGeometry().size() != gallery->screen()->availableGeometry().size())
        fail(QStringLiteral("the gallery is %1 x %2, maximised %3, on a screen of %4 x %5")
                 .arg(gallery->frameGeometry().width())
                 .arg(gallery->frameGeometry().height())
                 .arg(gallery->isMaximized())
                 .arg(gallery->screen()->availableGeometry().width())
                 .arg(gallery->screen()->availableGeometry().height())
                 .toStdString());
    return gallery;
}

// --- Figures --------------------------------------------------------------------------------------

struct Options {
    std::vector<long> sizes{1000, 10000, 100000, 1000000};
    int runs = 5;
    bool warm = true;
    bool cold = true;
    bool huge = true;
    std::vector<double> shareLatencies; // ms per request: only the slow share's figures, when given
    bool sizesGiven = false;
    bool runsGiven = false;
    bool privateMounts = false; // the share is mounted where no other process sees it
};

struct Work {
    std::vector<std::string> files; // what the action reads, to warm or to forget
    std::function<double()> run;    // milliseconds
    std::function<bool()> check;    // afterwards: the action showed what it should
};

bool judged(long sets, Cache cache)
{
    return cache == Cache::Warm && (sets == 100000 || sets == 1000000);
}

void printFigure(const char* name, long sets, Cache cache, double ms, double floorMs, double goal, bool reused)
{
    const double ratio = floorMs > 0 ? ms / floorMs : 0;
    char goalText[64] = "";
    if (goal > 0)
        std::snprintf(goalText, sizeof goalText, "   goal <= %g%s", goal,
                      judged(sets, cache) ? (ratio <= goal ? ": met" : ": missed") : "");
    std::printf("%-32s %8ld sets  %s %10.3f ms   floor %10.3f ms   ratio %6.2f%s%s\n", name, sets, cacheName(cache), ms,
                floorMs, ratio, goalText, reused ? "   (rows reused; the program's files touched)" : "");
    std::fflush(stdout);
}

class Bench {
public:
    Bench(const Options& options, long sets, std::string directory)
        : options_(options), sets_(sets), directory_(std::move(directory))
    {
    }

    // Set by a round that could not be given rows no earlier round had seen.
    bool reused = false;

    // `warmUp`: the action reads more than its own files (a new process, its libraries and fonts), so
    // a warm series starts with one untimed run of each side.
    void figure(const char* name, double goal, const std::function<Work()>& program, const std::function<Work()>& floor,
                bool warmUp = false)
    {
        std::vector<Cache> caches;
        if (options_.warm)
            caches.push_back(Cache::Warm);
        if (options_.cold)
            caches.push_back(Cache::Cold);
        for (const Cache cache : caches) {
            reused = false;
            std::vector<double> times[2];
            if (cache == Cache::Warm && warmUp)
                for (const auto& side : {program, floor})
                    side().run();
            for (int round = 0; round < options_.runs; ++round) {
                Work works[2] = {program(), floor()};
                if (cache == Cache::Warm)
                    for (const Work& work : works)
                        control_.makeWarm(work.files, directory_);
                for (int turn = 0; turn < 2; ++turn) {
                    const int side = round % 2 == 0 ? turn : 1 - turn;
                    if (cache == Cache::Cold)
                        control_.makeCold(works[side].files, directory_);
                    const double ms = works[side].run();
                    settle();
                    if (!works[side].check())
                        fail(std::string(name) + ": the " + (side == 0 ? "program" : "floor") +
                             " did not give the expected result");
                    times[side].push_back(ms);
                }
            }
            printFigure(name, sets_, cache, median(times[0]), median(times[1]), goal, reused);
        }
    }

private:
    const Options& options_;
    long sets_;
    std::string directory_;
    CacheControl control_;
};

// Which gallery rows earlier rounds showed or decoded. The program scrolls down from the top; the floor
// takes rows from the bottom up, so the two meet only in a directory too small for the rounds asked.
class RowPlan {
public:
    RowPlan(long sets, int columns)
        : sets_(sets), columns_(columns), rows_(int((sets + columns - 1) / columns)), used_(std::size_t(rows_), false)
    {
    }

    // True when one of the rows was taken before.
    bool take(int first, int count)
    {
        bool before = false;
        for (int row = first; row < std::min(rows_, first + count); ++row) {
            before = before || used_[std::size_t(row)];
            used_[std::size_t(row)] = true;
        }
        return before;
    }

    // The lowest untaken block of full rows, else the lowest block again.
    int takeFromBottom(int count, bool* reused)
    {
        const int fullRows = int(sets_ / columns_);
        for (int first = fullRows - count; first >= 0; --first) {
            const auto begin = used_.begin() + first;
            if (std::none_of(begin, begin + count, [](bool used) { return used; })) {
                take(first, count);
                *reused = false;
                return first;
            }
        }
        *reused = true;
        const int first = std::max(0, fullRows - count);
        take(first, count);
        return first;
    }

    long firstSet(int row) const { return long(row) * columns_; }
    long endSet(int row, int count) const { return std::min(sets_, long(row + count) * columns_); }

private:
    long sets_;
    int columns_;
    int rows_;
    std::vector<bool> used_;
};

// Sets no earlier round chose, spread over the list so that neighbouring rounds use different files.
class SetPicker {
public:
    explicit SetPicker(const SetNames& names) : names_(names), used_(std::size_t(names.count()), false) {}

    long pick(bool withSmall)
    {
        const long sets = names_.count();
        for (long tries = 0; tries < 2 * sets; ++tries) {
            const long i = next_;
            next_ = (next_ + (tries < sets ? 7919 : 1)) % sets;
            if (!used_[std::size_t(i)] && names_.hasSmall(i) == withSmall) {
                used_[std::size_t(i)] = true;
                return i;
            }
        }
        fail("no set left to select");
    }

private:
    const SetNames& names_;
    std::vector<bool> used_;
    long next_ = 1;
};

// A new process asked for `mode`; the child reports when its window first painted and what it listed.
Work probeWork(const QString& mode, const QString& directory, long sets)
{
    auto listed = std::make_shared<long>(-1);
    Work work;
    work.run = [mode, directory, listed] {
        QProcess probe;
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const std::int64_t askedAt = monotonicNanoseconds();
        probe.start(QCoreApplication::applicationFilePath(), {mode, directory, QString::number(askedAt)});
        if (!probe.waitForFinished(-1) || probe.exitCode() != 0)
            fail("a start-up probe failed");
        const QList<QByteArray> answer = probe.readAllStandardOutput().trimmed().split(' ');
        if (answer.size() != 2)
            fail("a start-up probe gave no answer");
        *listed = answer[1].toLong();
        return answer[0].toDouble();
    };
    work.check = [listed, sets] { return *listed == sets; };
    return work;
}

int measure(const Options& options, const QString& directory, long sets)
{
    requireBigScreen();
    const SetNames names(sets, true);
    const std::string dir = directory.toStdString();
    Services services;
    Bench bench(options, sets, dir);
    const auto path = [&dir](const std::string& name) { return joined(dir, name); };
    const auto qpath = [&path](const std::string& name) { return QString::fromStdString(path(name)); };

    {
        platform::FileListBox list(services.fileSystem, nullptr);
        list.setPattern(QStringLiteral("*L.bmp"));
        // Every name once, in the first round; then the count.
        bool programChecked = false;
        bool floorChecked = false;
        bench.figure(
            "listing into the file list", 0,
            [&] {
                Work work;
                work.run = [&] {
                    // Taken from an empty list, as at start-up.
                    list.setPath(QString());
                    return timeMilliseconds([&] { list.setPath(directory); });
                };
                work.check = [&] {
                    if (list.listCount() != sets)
                        return false;
                    for (long i = 0; !programChecked && i < sets; ++i)
                        if (list.list(int(i)).toStdString() != names.large(i))
                            return false;
                    programChecked = true;
                    return true;
                };
                return work;
            },
            [&] {
                auto result = std::make_shared<std::vector<std::string>>();
                Work work;
                work.run = [&dir, result] { return timeMilliseconds([&] { *result = plainRead(dir, nullptr); }); };
                work.check = [&, result] {
                    if (long(result->size()) != sets)
                        return false;
                    for (long i = 0; !floorChecked && i < sets; ++i)
                        if ((*result)[std::size_t(i)] != names.large(i))
                            return false;
                    floorChecked = true;
                    return true;
                };
                return work;
            },
            true);
    }

    bench.figure(
        "start-up to the window shown", 1.3, [&] { return probeWork(QStringLiteral("--probe"), directory, sets); },
        [&] { return probeWork(QStringLiteral("--probe-floor"), directory, sets); }, true);

    frmMain manager(services.forWindows(), directory);
    PaintWatch watch(&manager);
    manager.start();
    watch.waitPainted();
    settle();
    auto* files = manager.findChild<platform::FileListBox*>(QStringLiteral("Files"));
    const auto* largePreview = manager.findChild<platform::ImageBox*>(QStringLiteral("Image1"));
    const auto* smallPreview = manager.findChild<platform::ImageBox*>(QStringLiteral("Image2"));
    if (files == nullptr || files->listCount() != sets)
        fail("the manager does not list the directory");

    SetPicker picker(names);
    for (const bool withSmall : {true, false}) {
        const auto selection = [&] {
            const long i = picker.pick(withSmall);
            Work work;
            work.files = {path(names.large(i))};
            if (withSmall)
                work.files.push_back(path(names.small(i)));
            work.run = [&, i] { return timeMilliseconds([&] { files->setListIndex(int(i)); }); };
            work.check = [&, i] {
                const ManagerVariables& vars = manager.variables();
                const QString small = withSmall ? QString::fromStdString(names.small(i)) : NoPictureMarker;
                return vars.SourceLargeName.toStdString() == names.large(i) && vars.SourceSmallName == small &&
                       largePreview->hasPicture() && smallPreview->hasPicture() == withSmall;
            };
            return work;
        };
        const auto selectionFloor = [&] {
            const long i = picker.pick(withSmall);
            const std::string large = path(names.large(i));
            // The small name the naming rule gives, whether or not it exists.
            const std::string small = path(names.small(i));
            auto decoded = std::make_shared<int>(0);
            Work work;
            work.files = {large};
            if (withSmall)
                work.files.push_back(small);
            work.run = [=] {
                const QString largeName = QString::fromStdString(large);
                const QString smallName = QString::fromStdString(small);
                return timeMilliseconds([&] {
                    *decoded = 0;
                    statOnce(large);
                    statOnce(small);
                    *decoded += platform::decodeBitmap(largeName).size() == QSize(LargeWidth, LargeHeight);
                    if (withSmall)
                        *decoded += platform::decodeBitmap(smallName).size() == QSize(SmallWidth, SmallHeight);
                });
            };
            work.check = [=] { return *decoded == (withSmall ? 2 : 1); };
            return work;
        };
        bench.figure(withSmall ? "selection, with small picture" : "selection, no small picture", 3, selection,
                     selectionFloor);
    }

    frmBrowser* gallery = openFullScreenGallery(manager, watch);
    if (gallery == nullptr)
        fail("the gallery did not open");
    auto* scroller = gallery->findChild<QScrollBar*>(QStringLiteral("Scroller"));
    const int columns = gallery->state().ColumnCount;
    const int rows = gallery->state().RowCount;
    std::fprintf(stderr, "gallery maximised on %d x %d: %d columns x %d rows\n", ScreenWidth, ScreenHeight, columns,
                 rows);
    if (scroller->maximum() <= rows) {
        std::printf("%-32s %8ld sets  too few for two pages: gallery figures left out\n", "gallery scroll", sets);
        return 0;
    }
    RowPlan plan(sets, columns);
    plan.take(0, rows);

    const auto filesOfRows = [&](int first, int count) {
        std::vector<std::string> paths;
        for (long i = plan.firstSet(first); i < plan.endSet(first, count); ++i) {
            paths.push_back(path(names.large(i)));
            if (names.hasSmall(i))
                paths.push_back(path(names.small(i)));
        }
        return paths;
    };
    // A row shown before may still be in the program's picture cache: a new change time makes it
    // decode the files afresh, as a row never shown.
    const auto takeForProgram = [&](int first, int count) {
        if (!plan.take(first, count))
            return;
        bench.reused = true;
        for (const std::string& file : filesOfRows(first, count))
            ::utimensat(AT_FDCWD, file.c_str(), nullptr, 0);
    };
    const auto pageShows = [&](int value) {
        const GalleryState& state = gallery->state();
        if (scroller->value() != value || state.TopIndex != value * columns)
            return false;
        for (int k = 0; k <= state.LastShownCell; ++k) {
            const long i = state.TopIndex + k;
            const QString& large = state.CellLargeName[std::size_t(k)];
            const QString& small = state.CellSmallName[std::size_t(k)];
            if (i >= sets ? !large.isEmpty()
                          : large.toStdString() != names.large(i) ||
                                small.toStdString() != (names.hasSmall(i) ? names.small(i) : std::string()))
                return false;
        }
        return true;
    };
    const auto scrollWork = [&](int target, int firstNewRow, int newRows) {
        takeForProgram(firstNewRow, newRows);
        Work work;
        work.files = filesOfRows(firstNewRow, newRows);
        work.run = [&, target] {
            return timeMilliseconds([&] {
                scroller->setValue(target);
                watch.waitPainted();
            });
        };
        work.check = [&, target] { return pageShows(target); };
        return work;
    };
    // What the gallery would show in those rows, found from the list and the naming rule alone.
    const auto decodeWork = [&](int count) {
        bool reused = false;
        const int first = plan.takeFromBottom(count, &reused);
        bench.reused = bench.reused || reused;
        auto pictures = std::make_shared<std::vector<QString>>();
        int expected = 0;
        for (long i = plan.firstSet(first); i < plan.endSet(first, count); ++i) {
            const QString large = files->list(int(i));
            const std::u32string stem = naming::stemOfEntry(large.toStdU32String());
            pictures->push_back(QString::fromStdString(dir) + QLatin1Char('/') + large);
            pictures->push_back(qpath(toUtf8(naming::userSmallFileName(stem, sets::smallNameLetter))));
            expected += names.hasSmall(i) ? 2 : 1;
        }
        auto decoded = std::make_shared<int>(0);
        Work work;
        work.files = filesOfRows(first, count);
        work.run = [pictures, decoded] {
            return timeMilliseconds([&] {
                *decoded = 0;
                for (const QString& picture : *pictures)
                    *decoded += !platform::decodeBitmap(picture).isNull();
            });
        };
        work.check = [decoded, expected] { return *decoded == expected; };
        return work;
    };

    bench.figure(
        "gallery full-page scroll", 1.5,
        [&] {
            int target = scroller->value() + rows;
            if (target > scroller->maximum())
                target = 0;
            return scrollWork(target, target, rows);
        },
        [&] { return decodeWork(rows); });
    bench.figure(
        "gallery one-row scroll", 2,
        [&] {
            if (scroller->value() + 1 > scroller->maximum()) {
                // Back to the top, untimed, from where one row down is again a single new row.
                takeForProgram(0, rows);
                scroller->setValue(0);
                watch.waitPainted();
                settle();
            }
            const int target = scroller->value() + 1;
            return scrollWork(target, target + rows - 1, 1);
        },
        [&] { return decodeWork(1); });
    return 0;
}

// A child asked by `probeWork`: the manager over the directory, or the least a window over it needs.
int probe(int argc, char* argv[], const QString& directory, std::int64_t askedAt, bool floor)
{
    QApplication app(argc, argv);
    // Read at the first paint: taking the window down again is not start-up.
    const auto sinceAsked = [askedAt] { return double(monotonicNanoseconds() - askedAt) / 1e6; };
    double ms = 0;
    long listed = 0;
    if (floor) {
        std::vector<std::string> subdirectories;
        const std::vector<std::string> large = plainRead(directory.toStdString(), &subdirectories);
        QWidget window;
        window.resize(681, 473);
        PaintWatch watch(&window);
        window.show();
        watch.waitPainted();
        ms = sinceAsked();
        listed = long(large.size());
    } else {
        Services services;
        frmMain manager(services.forWindows(), directory);
        PaintWatch watch(&manager);
        manager.start();
        watch.waitPainted();
        ms = sinceAsked();
        listed = manager.findChild<platform::FileListBox*>(QStringLiteral("Files"))->listCount();
        std::printf("%.3f %ld\n", ms, listed);
        std::fflush(stdout);
        // Nor would it do anything but make the rounds wait for a million entries to be freed.
        std::_Exit(0);
    }
    std::printf("%.3f %ld\n", ms, listed);
    std::fflush(stdout);
    std::_Exit(0);
}

void scrollTo(QScrollBar* scroller, int value, PaintWatch& watch)
{
    value = std::clamp(value, 0, scroller->maximum());
    if (value == scroller->value())
        return;
    scroller->setValue(value);
    watch.waitPainted();
    settle();
}

// What a user does in a short session; the process's peak memory is the answer.
int session(const QString& directory)
{
    requireBigScreen();
    Services services;
    frmMain manager(services.forWindows(), directory);
    PaintWatch watch(&manager);
    manager.start();
    watch.waitPainted();
    settle();
    auto* files = manager.findChild<platform::FileListBox*>(QStringLiteral("Files"));
    if (files->listCount() > 0) {
        files->setListIndex(files->listCount() / 2);
        settle();
    }
    if (frmBrowser* gallery = openFullScreenGallery(manager, watch)) {
        auto* scroller = gallery->findChild<QScrollBar*>(QStringLiteral("Scroller"));
        for (int k = 0; k < 3; ++k)
            scrollTo(scroller, scroller->value() + gallery->state().RowCount, watch);
        for (int k = 0; k < 3; ++k)
            scrollTo(scroller, scroller->value() + 1, watch);
    } else if (files->listCount() > 0) {
        fail("the gallery did not open");
    }
    std::printf("%ld\n", peakKilobytes());
    std::fflush(stdout);
    std::_Exit(0);
}

// The gallery over pictures as big as the program accepts, switched to full screen.
int huge(const QString& directory, Cache cache)
{
    requireBigScreen();
    Services services;
    frmMain manager(services.forWindows(), directory);
    PaintWatch watch(&manager);
    manager.start();
    watch.waitPainted();
    settle();
    frmBrowser* gallery = nullptr;
    const double openMs = timeMilliseconds([&] {
        manager.findChild<QPushButton*>(QStringLiteral("BrowseButton"))->click();
        gallery = visibleGallery();
        if (gallery == nullptr)
            fail("the gallery did not open");
        watch.watch(gallery);
        waitOpened(gallery, watch);
    });
    settle();
    if (cache == Cache::Cold) {
        std::vector<std::string> paths;
        for (const std::string& name : namesIn(directory.toStdString()))
            paths.push_back(joined(directory.toStdString(), name));
        CacheControl().makeCold(paths, directory.toStdString());
    }
    const double ms = timeMilliseconds([&] {
        gallery->mnuOptions_Click(1);
        watch.waitPainted();
    });
    std::fprintf(stderr, "4096 x 4096 gallery (%s): opened in %.0f ms, then full screen\n", cacheName(cache), openMs);
    if (!gallery->isMaximized() || !gallery->state().CellLargeName[0].endsWith(QStringLiteral("L.bmp")))
        fail("the gallery did not go full screen");
    std::printf("%.3f %ld\n", ms, peakKilobytes());
    std::fflush(stdout);
    std::_Exit(0);
}

// --- A slow share ---------------------------------------------------------------------------------

// The kernel keeps what a FUSE server said of names and attributes for a second (the library's
// default) and file contents not at all; a user's pause between two actions outlasts that, so each
// action asks the share afresh, as the first one after mounting does.
constexpr int ShareLapseMs = 1500;
// Unless --runs says otherwise, no further round starts once a size and latency has taken this long.
constexpr double ShareBudgetMs = 120000;
// Where no share can be mounted; a test may take it for "skipped".
constexpr int NoShareExit = 77;

const char* const ShareHeader =
    R"(portrait_bench --share-latency: the directory on our FUSE passthrough, which waits the given
time before it answers each request. Mounted afresh before every run of either side: each run starts
from the kernel caches of a fresh mount. %d round%s%s, program and listing alternating; medians.
program: one new process per round starts the manager on the share (timed from the request to start it
until its window has painted), chooses a set in the source list (to the end of its refresh), presses
Gallery (until the gallery has painted its first page of pictures) and presses Copy To (until it
returns; into an empty directory beside the source on the same share), %.1f s apart, longer than the
kernel keeps what the share told it.
listing: opendir/readdir of the same directory on the share and an lstat of each entry whose type
readdir leaves unknown (this share gives every type, as sshfs does). ratio = program / listing.
requests: program / listing, those the passthrough answered (each waiting the latency); the kinds are
the program's. The share is mounted in %s.
)";

// Requests the passthrough answered, by kind, as its counts file holds them.
struct Requests {
    std::array<std::uint64_t, fusecounts::KindCount> byKind{};

    std::uint64_t total() const
    {
        std::uint64_t sum = 0;
        for (const std::uint64_t count : byKind)
            sum += count;
        return sum;
    }
    Requests operator-(const Requests& earlier) const
    {
        Requests difference;
        for (std::size_t k = 0; k < byKind.size(); ++k)
            difference.byKind[k] = byKind[k] - earlier.byKind[k];
        return difference;
    }
    // "getattr 1901, readdir 1, statfs 1": the kinds that occurred.
    std::string text() const
    {
        std::string words;
        for (std::size_t k = 0; k < byKind.size(); ++k)
            if (byKind[k] != 0)
                words += (words.empty() ? "" : ", ") + std::string(fusecounts::KindNames[k]) + ' ' +
                         std::to_string(byKind[k]);
        return words.empty() ? "none" : words;
    }
};

Requests readRequests(const std::string& countsFile)
{
    Requests requests;
    const int fd = ::open(countsFile.c_str(), O_RDONLY | O_CLOEXEC);
    const auto bytes = ssize_t(sizeof requests.byKind);
    if (fd < 0 || ::pread(fd, requests.byKind.data(), std::size_t(bytes), 0) != bytes)
        fail("cannot read the share's request counts in " + countsFile);
    ::close(fd);
    return requests;
}

void lapse()
{
    QEventLoop loop;
    QTimer::singleShot(ShareLapseMs, &loop, &QEventLoop::quit);
    loop.exec();
}

// One action of a share session for the driver: its name, milliseconds and the requests it made.
void reportAction(const char* name, double ms, const Requests& requests)
{
    std::printf("%s %.3f", name, ms);
    for (const std::uint64_t count : requests.byKind)
        std::printf(" %llu", static_cast<unsigned long long>(count));
    std::printf("\n");
    std::fflush(stdout);
}

// A user's session on the share, in a new process: start-up, a set chosen, the gallery opened, the
// set copied, each once and a pause apart. Start-up's requests are the process's since it began.
int shareSession(const QString& directory, const QString& destination, long set, long sets, std::int64_t askedAt,
                 const std::string& countsFile)
{
    requireBigScreen();
    const SetNames names(sets, true);
    Services services;
    frmMain manager(services.forWindows(), directory);
    PaintWatch watch(&manager);
    manager.start();
    watch.waitPainted();
    reportAction("start-up", double(monotonicNanoseconds() - askedAt) / 1e6, readRequests(countsFile));
    auto* files = manager.findChild<platform::FileListBox*>(QStringLiteral("Files"));
    if (files == nullptr || files->listCount() != sets)
        fail("the manager does not list the share's sets");
    // Where the copy goes, chosen untimed before the pause, as a user would.
    if (!manager.findChild<platform::DirListBox*>(QStringLiteral("Directory2"))->setPath(destination))
        fail("the manager cannot show the copy's destination");
    lapse();

    Requests before = readRequests(countsFile);
    const double selectionMs = timeMilliseconds([&] { files->setListIndex(int(set)); });
    reportAction("selection", selectionMs, readRequests(countsFile) - before);
    const ManagerVariables& vars = manager.variables();
    if (vars.SourceLargeName.toStdString() != names.large(set) ||
        vars.SourceSmallName.toStdString() != names.small(set) ||
        !manager.findChild<platform::ImageBox*>(QStringLiteral("Image1"))->hasPicture() ||
        !manager.findChild<platform::ImageBox*>(QStringLiteral("Image2"))->hasPicture())
        fail("the selection on the share did not show the set");
    lapse();

    before = readRequests(countsFile);
    frmBrowser* gallery = nullptr;
    // Every cell of the first page shows its picture in the paint that ends the wait.
    const auto pagePainted = [&gallery](const QWidget* painted) {
        if (qobject_cast<const platform::ImageBox*>(painted) == nullptr || !painted->property("index").isValid())
            return false;
        const GalleryState& state = gallery->state();
        int shown = 0;
        for (const platform::ImageBox* cell : gallery->findChildren<platform::ImageBox*>(QStringLiteral("Image1"))) {
            const int k = cell->property("index").toInt();
            if (k > state.LastShownCell || state.CellLargeName[std::size_t(k)].isEmpty())
                continue;
            if (!cell->hasPicture())
                return false;
            ++shown;
        }
        return shown > 0;
    };
    const double galleryMs = timeMilliseconds([&] {
        manager.findChild<QPushButton*>(QStringLiteral("BrowseButton"))->click();
        gallery = visibleGallery();
        if (gallery == nullptr)
            fail("the gallery did not open on the share");
        watch.watch(gallery, pagePainted);
        watch.waitPainted();
    });
    reportAction("gallery", galleryMs, readRequests(countsFile) - before);
    if (gallery->state().CellLargeName[0].toStdString() != names.large(0))
        fail("the gallery on the share does not begin with the first set");
    gallery->close();
    watch.watch(&manager);
    lapse();

    before = readRequests(countsFile);
    const double copyMs =
        timeMilliseconds([&] { manager.findChild<QPushButton*>(QStringLiteral("SaveButton"))->click(); });
    reportAction("copy", copyMs, readRequests(countsFile) - before);
    // The driver checks the copies on the disk beneath the share.
    std::_Exit(0);
}

// --- The driver -----------------------------------------------------------------------------------

QByteArray runChild(const QStringList& arguments, bool forwardOutput)
{
    QProcess child;
    child.setProcessChannelMode(forwardOutput ? QProcess::ForwardedChannels : QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    // Thrown, not exited, so that the generated directories are removed on the way out.
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw std::runtime_error("a child process failed: portrait_bench " +
                                 arguments.join(QLatin1Char(' ')).toStdString());
    return child.readAllStandardOutput();
}

long sessionPeak(const std::string& directory)
{
    return runChild({QStringLiteral("--session"), QString::fromStdString(directory)}, false).trimmed().toLong();
}

struct Peak {
    long sets = 0;
    long kilobytes = 0;
};

// Judged against the empty directory. A small directory has the gallery's fixed cost too (a screen of
// pictures, the picture cache, the window's buffer), so against it shows what each further set costs.
void printMemory(long sets, long peak, const Peak& empty, const Peak& reference)
{
    const double perSet = double(peak - empty.kilobytes) * 1024 / double(sets);
    char beyond[64] = "";
    if (sets > reference.sets)
        std::snprintf(beyond, sizeof beyond, "   (%.1f beyond %ld sets)",
                      double(peak - reference.kilobytes) * 1024 / double(sets - reference.sets), reference.sets);
    std::printf("%-32s %8ld sets       peak %8.1f MB   empty %8.1f MB   %8.1f bytes per set   goal <= 120%s%s\n",
                "memory per set, session peak", sets, double(peak) * 1024 / 1e6, double(empty.kilobytes) * 1024 / 1e6,
                perSet, (sets == 100000 || sets == 1000000) ? (perSet <= 120 ? ": met" : ": missed") : "", beyond);
    std::fflush(stdout);
}

void measureHuge(const std::string& root, const Options& options)
{
    const qint64 fileBytes = 54 + qint64(HugeSide) * HugeSide * 3;
    struct statvfs fs {};
    ::statvfs(root.c_str(), &fs);
    const qint64 available = qint64(fs.f_bavail) * qint64(fs.f_frsize);
    // Distinct files when they fit with room to spare; otherwise links to two sets' worth.
    const long distinct = available > 2 * HugeSets * fileBytes + (qint64(2) << 30) ? HugeSets : 2;
    const SetNames names(HugeSets, false);
    const Dataset data(root, "huge", names, HugeSide, HugeSide, HugeSide, HugeSide, distinct);
    const std::string files = distinct == HugeSets ? "80 distinct files" : "hard links to 2 distinct pairs";
    std::vector<Cache> caches;
    if (options.warm)
        caches.push_back(Cache::Warm);
    if (options.cold)
        caches.push_back(Cache::Cold);
    for (const Cache cache : caches) {
        if (cache == Cache::Warm) {
            std::vector<std::string> paths;
            for (const std::string& name : namesIn(data.directory()))
                paths.push_back(joined(data.directory(), name));
            CacheControl().makeWarm(paths, data.directory());
        }
        const QList<QByteArray> answer = runChild({QStringLiteral("--huge"), QString::fromStdString(data.directory()),
                                                   QString::fromLatin1(cacheName(cache))},
                                                  false)
                                             .trimmed()
                                             .split(' ');
        if (answer.size() != 2)
            fail("the 4096 x 4096 gallery gave no answer");
        const double ms = answer[0].toDouble();
        const double peakMb = answer[1].toDouble() * 1024 / 1e6;
        const bool met = ms <= 2000 && peakMb <= 600;
        std::printf("%-32s %8ld sets  %s %10.3f ms   peak %8.1f MB   goal responds within 2 s, peak <= 600 MB%s   "
                    "(%s)\n",
                    "gallery full screen, 4096x4096", HugeSets, cacheName(cache), ms, peakMb,
                    cache == Cache::Warm ? (met ? ": met" : ": missed") : "", files.c_str());
        std::fflush(stdout);
    }
}

// The offscreen screen and a runtime directory for every child.
void prepareChildren(const QTemporaryDir& scratch)
{
    // The offscreen platform's screen, for every child; it reads no size from its options.
    const QString screenFile = scratch.filePath(QStringLiteral("screen.json"));
    QFile screen(screenFile);
    if (!screen.open(QIODevice::WriteOnly))
        fail("cannot write " + screenFile.toStdString());
    screen.write(QStringLiteral(R"({ "screens": [ { "name": "bench", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] })")
                     .arg(ScreenWidth)
                     .arg(ScreenHeight)
                     .toUtf8());
    screen.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screenFile).toUtf8());
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = scratch.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    }
}

int drive(const Options& options)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        fail("cannot make a temporary directory");
    const std::string root = scratch.path().toStdString();
    prepareChildren(scratch);

    std::printf("portrait_bench: %d round%s per figure, program and floor alternating, each on fresh work; medians,\n"
                "ratio = program median / floor median. warm: the files were read once before. cold: %s.\n"
                "Screen %d x %d (offscreen); up to %ld distinct large and small pictures per directory, hard links\n"
                "for the other sets; one set in ten without small picture.\n",
                options.runs, options.runs == 1 ? "" : "s", CacheControl().coldMethod(), ScreenWidth, ScreenHeight,
                DistinctPictures);
    std::fflush(stdout);

    const std::string emptyDirectory = joined(root, "empty");
    ::mkdir(emptyDirectory.c_str(), 0755);
    const Peak empty{0, sessionPeak(emptyDirectory)};
    Peak reference{1000, 0};
    {
        const Dataset data(root, "reference", SetNames(reference.sets, true), LargeWidth, LargeHeight, SmallWidth,
                           SmallHeight, DistinctPictures);
        reference.kilobytes = sessionPeak(data.directory());
    }
    QStringList common{QStringLiteral("--runs"), QString::number(options.runs)};
    if (!options.warm)
        common << QStringLiteral("--cold-only");
    if (!options.cold)
        common << QStringLiteral("--warm-only");
    for (const long sets : options.sizes) {
        const auto start = Clock::now();
        const SetNames names(sets, true);
        const Dataset data(root, "portraits", names, LargeWidth, LargeHeight, SmallWidth, SmallHeight,
                           DistinctPictures);
        runChild(
            QStringList{QStringLiteral("--measure"), QString::fromStdString(data.directory()), QString::number(sets)} +
                common,
            true);
        printMemory(sets, sessionPeak(data.directory()), empty, reference);
        std::fprintf(stderr, "%ld sets measured in %.1f s\n", sets, millisecondsSince(start) / 1000);
    }
    if (options.huge) {
        const auto start = Clock::now();
        measureHuge(root, options);
        std::fprintf(stderr, "4096 x 4096 gallery measured in %.1f s\n", millisecondsSince(start) / 1000);
    }
    return 0;
}

// --- The slow share's driver ----------------------------------------------------------------------

// Where a share is mounted while the bench runs, so that a failure on the way out leaves none behind.
std::string mountedShare;

void detach(const std::string& mountPoint)
{
    if (::umount2(mountPoint.c_str(), MNT_DETACH) == 0)
        return;
    // An ordinary user's FUSE mount is undone by the helper that made it.
    QProcess::execute(QStringLiteral("fusermount3"),
                      {QStringLiteral("-u"), QStringLiteral("-z"), QString::fromStdString(mountPoint)});
}

void detachLeftShare()
{
    if (!mountedShare.empty())
        detach(mountedShare);
}

// Our FUSE passthrough serving `root` at `mountPoint`, mounted afresh for every run, with a counts file
// of its own each time.
class Share {
public:
    Share(std::string root, std::string mountPoint, std::string scratch)
        : root_(std::move(root)), mountPoint_(std::move(mountPoint)), scratch_(std::move(scratch))
    {
        static const bool registered = std::atexit(detachLeftShare) == 0;
        (void)registered;
    }
    ~Share() { unmount(); }
    Share(const Share&) = delete;
    Share& operator=(const Share&) = delete;

    // Nothing when mounted; else why not.
    std::string mount(double latencyMs)
    {
        unmount();
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return std::string("/dev/fuse: ") + std::strerror(errno);
        countsFile_ = joined(scratch_, "requests-" + std::to_string(++mounts_));
        QProcess server;
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start(QStringLiteral(FUSE_PASSTHROUGH),
                     {QStringLiteral("-o"), QStringLiteral("latency_us=%1").arg(std::lround(latencyMs * 1000)),
                      QStringLiteral("-o"), QStringLiteral("counts=") + QString::fromStdString(countsFile_),
                      QString::fromStdString(root_), QString::fromStdString(mountPoint_)});
        // The server leaves for the background once the share is mounted.
        if (!server.waitForFinished(30000) || server.exitStatus() != QProcess::NormalExit || server.exitCode() != 0) {
            const QString said = QString::fromLocal8Bit(server.readAll()).trimmed();
            server.kill();
            return std::string(FUSE_PASSTHROUGH) +
                   " did not mount it: " + (said.isEmpty() ? server.errorString() : said).toStdString();
        }
        struct stat mounted {};
        struct stat beneath {};
        if (::stat(mountPoint_.c_str(), &mounted) != 0 || ::stat(scratch_.c_str(), &beneath) != 0 ||
            mounted.st_dev == beneath.st_dev) {
            detach(mountPoint_);
            return "no share appeared at " + mountPoint_;
        }
        mountedShare = mountPoint_;
        return {};
    }

    void unmount()
    {
        if (mountedShare != mountPoint_)
            return;
        detach(mountPoint_);
        mountedShare.clear();
    }

    const std::string& countsFile() const { return countsFile_; }
    std::string path(const std::string& name) const { return joined(mountPoint_, name); }
    std::string beneath(const std::string& name) const { return joined(root_, name); }

private:
    std::string root_;
    std::string mountPoint_;
    std::string scratch_;
    std::string countsFile_;
    int mounts_ = 0;
};

// What a plain listing asks of the share: every entry, and an lstat of each whose type readdir leaves
// unknown (on our passthrough, all of them), as `ls -l` does. The entries counted, "." and ".." aside.
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

std::string fileBytes(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

struct ShareRun {
    double ms = 0;
    Requests requests;
};

constexpr const char* ShareActions[] = {"start-up", "selection", "gallery", "copy"};
constexpr std::size_t ShareActionCount = std::size(ShareActions);
constexpr const char* ShareFigures[ShareActionCount] = {"start-up to the window shown", "selection, with small picture",
                                                        "gallery opened, page painted",
                                                        "copy of a set, share to share"};

// One program session on a fresh mount: each action's time and requests.
std::array<ShareRun, ShareActionCount> runShareSession(Share& share, double latencyMs, long set, long sets,
                                                       const std::string& destination)
{
    if (const std::string why = share.mount(latencyMs); !why.empty())
        throw std::runtime_error("cannot mount the share again: " + why);
    const Requests mounted = readRequests(share.countsFile());
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const std::int64_t askedAt = monotonicNanoseconds();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--share-session"), QString::fromStdString(share.path("portraits")),
                 QString::fromStdString(share.path(destination)), QString::number(set), QString::number(sets),
                 QString::number(askedAt), QString::fromStdString(share.countsFile())});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw std::runtime_error("a session on the share failed");
    share.unmount();
    const QList<QByteArray> lines = child.readAllStandardOutput().trimmed().split('\n');
    std::array<ShareRun, ShareActionCount> runs;
    if (std::size_t(lines.size()) != ShareActionCount)
        throw std::runtime_error("a session on the share gave no answer");
    for (std::size_t a = 0; a < ShareActionCount; ++a) {
        const QList<QByteArray> words = lines[qsizetype(a)].split(' ');
        if (std::size_t(words.size()) != 2 + fusecounts::KindCount || words[0] != ShareActions[a])
            throw std::runtime_error("a session on the share answered '" + lines[qsizetype(a)].toStdString() + "'");
        runs[a].ms = words[1].toDouble();
        for (std::size_t k = 0; k < fusecounts::KindCount; ++k)
            runs[a].requests.byKind[k] = words[qsizetype(2 + k)].toULongLong();
    }
    runs[0].requests = runs[0].requests - mounted;
    return runs;
}

ShareRun runShareListing(Share& share, double latencyMs, long entries)
{
    if (const std::string why = share.mount(latencyMs); !why.empty())
        throw std::runtime_error("cannot mount the share again: " + why);
    const std::string directory = share.path("portraits");
    const Requests before = readRequests(share.countsFile());
    long listed = 0;
    ShareRun run;
    run.ms = timeMilliseconds([&] { listed = listShare(directory); });
    run.requests = readRequests(share.countsFile()) - before;
    share.unmount();
    if (listed != entries)
        throw std::runtime_error("the listing of the share found " + std::to_string(listed) + " entries, not " +
                                 std::to_string(entries));
    return run;
}

// Medians, kind by kind for the requests.
ShareRun medianRun(const std::vector<ShareRun>& runs)
{
    ShareRun middle;
    std::vector<double> values;
    for (const ShareRun& run : runs)
        values.push_back(run.ms);
    middle.ms = median(values);
    for (std::size_t k = 0; k < fusecounts::KindCount; ++k) {
        values.clear();
        for (const ShareRun& run : runs)
            values.push_back(double(run.requests.byKind[k]));
        middle.requests.byKind[k] = std::uint64_t(std::llround(median(values)));
    }
    return middle;
}

void measureShare(Share& share, const Options& options, const Dataset& data, const SetNames& names, double latencyMs)
{
    const long sets = names.count();
    const long entries = long(namesIn(data.directory()).size());
    std::vector<ShareRun> program[ShareActionCount];
    std::vector<ShareRun> listing;
    const auto start = Clock::now();
    int rounds = 0;
    for (; rounds < options.runs; ++rounds) {
        if (!options.runsGiven && rounds > 0 && millisecondsSince(start) > ShareBudgetMs)
            break;
        // A set with small picture, another each round.
        long set = (1 + long(rounds) * 7919) % sets;
        while (!names.hasSmall(set))
            set = (set + 1) % sets;
        const std::string destination = "copies-" + std::to_string(rounds);
        if (::mkdir(share.beneath(destination).c_str(), 0755) != 0)
            throw std::runtime_error("cannot make " + share.beneath(destination));
        for (int turn = 0; turn < 2; ++turn) {
            if ((rounds % 2 == 0) == (turn == 0)) {
                const auto runs = runShareSession(share, latencyMs, set, sets, destination);
                for (std::size_t a = 0; a < ShareActionCount; ++a)
                    program[a].push_back(runs[a]);
            } else {
                listing.push_back(runShareListing(share, latencyMs, entries));
            }
        }
        // The copy is judged by the bytes beneath the share: the set's two pictures, nothing else.
        const std::vector<std::string> copied = namesIn(share.beneath(destination));
        std::vector<std::string> copiedBytes;
        for (const std::string& name : copied)
            copiedBytes.push_back(fileBytes(joined(share.beneath(destination), name)));
        std::vector<std::string> expected = {fileBytes(joined(data.directory(), names.large(set))),
                                             fileBytes(joined(data.directory(), names.small(set)))};
        std::sort(copiedBytes.begin(), copiedBytes.end());
        std::sort(expected.begin(), expected.end());
        if (copiedBytes != expected)
            throw std::runtime_error("the copy on the share did not leave the set's two pictures in " + destination);
        for (const std::string& name : copied)
            ::unlink(joined(share.beneath(destination), name).c_str());
        ::rmdir(share.beneath(destination).c_str());
        std::fprintf(stderr, "%ld sets, %g ms per request: round %d took %.1f s so far\n", sets, latencyMs, rounds + 1,
                     millisecondsSince(start) / 1000);
    }
    const ShareRun listed = medianRun(listing);
    char roundsText[32] = "";
    if (rounds != options.runs)
        std::snprintf(roundsText, sizeof roundsText, "   [%d round%s]", rounds, rounds == 1 ? "" : "s");
    for (std::size_t a = 0; a < ShareActionCount; ++a) {
        const ShareRun middle = medianRun(program[a]);
        std::printf("%-30s %6ld sets %4g ms %11.3f ms   listing %10.3f ms   ratio %7.3f   requests %6llu / %6llu   "
                    "(%s)%s\n",
                    ShareFigures[a], sets, latencyMs, middle.ms, listed.ms, listed.ms > 0 ? middle.ms / listed.ms : 0,
                    static_cast<unsigned long long>(middle.requests.total()),
                    static_cast<unsigned long long>(listed.requests.total()), middle.requests.text().c_str(),
                    roundsText);
    }
    std::printf("%-30s %6ld sets %4g ms   listing requests: (%s)\n", "", sets, latencyMs,
                listed.requests.text().c_str());
    std::fflush(stdout);
}

// Other processes would see a share mounted where they can, and what they ask of it (a statfs of every
// mount, from a desktop or another program's volume list) would be slowed and counted with ours. Only
// a single-threaded process may take a mount namespace of its own; it needs CAP_SYS_ADMIN.
bool keepMountsToOurselves()
{
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

int driveShare(const Options& options)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        fail("cannot make a temporary directory");
    prepareChildren(scratch);
    const std::string root = scratch.filePath(QStringLiteral("share")).toStdString();
    const std::string mountPoint = scratch.filePath(QStringLiteral("mnt")).toStdString();
    if (::mkdir(root.c_str(), 0755) != 0 || ::mkdir(mountPoint.c_str(), 0755) != 0)
        fail("cannot make the share's directories in " + scratch.path().toStdString());
    Share share(root, mountPoint, scratch.path().toStdString());
    if (const std::string why = share.mount(0); !why.empty()) {
        std::fprintf(stderr,
                     "portrait_bench: --share-latency needs a FUSE mount of our passthrough, and there is none "
                     "to be had here: %s\n",
                     why.c_str());
        return NoShareExit;
    }
    share.unmount();

    std::printf(ShareHeader, options.runs, options.runs == 1 ? "" : "s",
                options.runsGiven ? "" : " (fewer where a size and latency has taken 2 minutes)", ShareLapseMs / 1000.0,
                options.privateMounts ? "a mount namespace of the bench's own: no other process sees it"
                                      : "the machine's mount namespace: other processes' requests count too");
    std::fflush(stdout);
    for (const long sets : options.sizes) {
        const SetNames names(sets, true);
        const Dataset data(root, "portraits", names, LargeWidth, LargeHeight, SmallWidth, SmallHeight,
                           DistinctPictures);
        for (const double latencyMs : options.shareLatencies) {
            const auto start = Clock::now();
            measureShare(share, options, data, names, latencyMs);
            std::fprintf(stderr, "%ld sets at %g ms per request measured in %.1f s\n", sets, latencyMs,
                         millisecondsSince(start) / 1000);
        }
    }
    return 0;
}

[[noreturn]] void usageError(const std::string& why)
{
    std::fprintf(stderr, "portrait_bench: %s (see portrait_bench --help)\n", why.c_str());
    std::exit(2);
}

long positiveNumber(const char* text, const char* option)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value <= 0)
        usageError(std::string(option) + " wants a positive whole number, not '" + text + "'");
    return value;
}

// A latency in milliseconds, to the microsecond the passthrough counts in.
double milliseconds(const char* text, const char* option)
{
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(value >= 0) || value > 1000)
        usageError(std::string(option) + " wants milliseconds from 0 to 1000, not '" + text + "'");
    return value;
}

} // namespace

int main(int argc, char* argv[])
{
    Options options;
    QString mode;
    QStringList modeArguments;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const auto value = [&] {
            if (i + 1 >= argc)
                usageError(option + " needs a value");
            return argv[++i];
        };
        if (option == "--help" || option == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (option == "--sizes") {
            options.sizes.clear();
            for (const QString& size : QString::fromLocal8Bit(value()).split(QLatin1Char(',')))
                options.sizes.push_back(positiveNumber(size.toLocal8Bit().constData(), "--sizes"));
            options.sizesGiven = true;
        } else if (option == "--share-latency") {
            options.shareLatencies.clear();
            for (const QString& latency : QString::fromLocal8Bit(value()).split(QLatin1Char(',')))
                options.shareLatencies.push_back(milliseconds(latency.toLocal8Bit().constData(), "--share-latency"));
        } else if (option == "--runs") {
            options.runs = int(std::min(positiveNumber(value(), "--runs"), 1000L));
            options.runsGiven = true;
        } else if (option == "--warm-only") {
            options.cold = false;
        } else if (option == "--cold-only") {
            options.warm = false;
        } else if (option == "--no-huge") {
            options.huge = false;
        } else if (option == "--measure" || option == "--probe" || option == "--probe-floor" || option == "--huge") {
            // Internal: how the driver starts its children.
            mode = QString::fromStdString(option);
            modeArguments << QString::fromLocal8Bit(value());
            modeArguments << QString::fromLocal8Bit(value());
        } else if (option == "--session") {
            mode = QString::fromStdString(option);
            modeArguments << QString::fromLocal8Bit(value());
        } else if (option == "--share-session") {
            mode = QString::fromStdString(option);
            for (int k = 0; k < 6; ++k)
                modeArguments << QString::fromLocal8Bit(value());
        } else {
            usageError("unknown option '" + option + "'");
        }
    }
    if (!options.warm && !options.cold)
        usageError("--warm-only and --cold-only exclude each other");
    if (!mode.isEmpty())
        passOn = qInstallMessageHandler(quietOffscreenNotes);

    if (mode == QLatin1String("--probe") || mode == QLatin1String("--probe-floor"))
        return probe(argc, argv, modeArguments[0], modeArguments[1].toLongLong(),
                     mode == QLatin1String("--probe-floor"));
    if (!mode.isEmpty()) {
        QApplication app(argc, argv);
        if (mode == QLatin1String("--measure"))
            return measure(options, modeArguments[0],
                           positiveNumber(modeArguments[1].toLatin1().constData(), "--measure"));
        if (mode == QLatin1String("--session"))
            return session(modeArguments[0]);
        if (mode == QLatin1String("--share-session"))
            return shareSession(modeArguments[0], modeArguments[1], modeArguments[2].toLong(),
                                modeArguments[3].toLong(), modeArguments[4].toLongLong(),
                                modeArguments[5].toStdString());
        return huge(modeArguments[0], modeArguments[1] == QLatin1String("cold") ? Cache::Cold : Cache::Warm);
    }
    if (!options.shareLatencies.empty()) {
        if (!options.sizesGiven)
            options.sizes = {1000, 10000};
        if (!options.runsGiven)
            options.runs = 3;
        // Before Qt starts a thread.
        options.privateMounts = keepMountsToOurselves();
    }
    QCoreApplication app(argc, argv);
    try {
        return options.shareLatencies.empty() ? drive(options) : driveShare(options);
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "portrait_bench: %s\n", error.what());
        return 1;
    }
}
