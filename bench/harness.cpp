#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>

namespace portraitbench {

namespace {

const char* const DropCaches = "/proc/sys/vm/drop_caches";

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

void forget(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

} // namespace

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

void settle()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

// --- Caches ---------------------------------------------------------------------------------------

const char* cacheName(Cache cache)
{
    return cache == Cache::Warm ? "warm" : "cold";
}

std::vector<Cache> cachesOf(const Options& options)
{
    std::vector<Cache> caches;
    if (options.warm)
        caches.push_back(Cache::Warm);
    if (options.cold)
        caches.push_back(Cache::Cold);
    return caches;
}

CacheControl::CacheControl()
{
    const int fd = ::open(DropCaches, O_WRONLY | O_CLOEXEC);
    dropsPageCache_ = fd >= 0;
    if (fd >= 0)
        ::close(fd);
}

void CacheControl::makeCold(const std::vector<std::string>& files, const std::string& directory) const
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

void CacheControl::makeWarm(const std::vector<std::string>& files, const std::string& directory) const
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

// --- Figures --------------------------------------------------------------------------------------

Bench::Bench(const Options& options, long sets, std::string directory)
    : options_(options), sets_(sets), directory_(std::move(directory))
{
}

void Bench::figure(const char* name, double goal, const std::function<Work()>& program,
                   const std::function<Work()>& floor, bool warmUp)
{
    for (const Cache cache : cachesOf(options_)) {
        reused = false;
        std::vector<double> times[2];
        if (cache == Cache::Warm && warmUp)
            for (const auto& side : {program, floor})
                side().run();
        rounds(name, cache, program, floor, times);
        printFigure(name, sets_, cache, median(times[0]), median(times[1]), goal, reused);
    }
}

void Bench::rounds(const char* name, Cache cache, const std::function<Work()>& program,
                   const std::function<Work()>& floor, std::vector<double> (&times)[2])
{
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
}

} // namespace portraitbench
