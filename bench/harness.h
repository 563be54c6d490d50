#pragma once

// What every figure is timed with: rounds of the program against its floor, medians, one printed line.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace portraitbench {

using Clock = std::chrono::steady_clock;

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;

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

[[noreturn]] void fail(const std::string& why);
double millisecondsSince(Clock::time_point start);
double timeMilliseconds(const std::function<void()>& work);
// Shared by a process and the children it starts, so a child can tell how long ago it was asked for.
std::int64_t monotonicNanoseconds();
double median(std::vector<double> values);
long peakKilobytes();
std::string joined(const std::string& directory, const std::string& name);
// Nothing left over from one action may run inside the next one's time.
void settle();

// --- Caches ---------------------------------------------------------------------------------------

enum class Cache { Warm, Cold };

const char* cacheName(Cache cache);
// The caches the options ask for, warm first.
std::vector<Cache> cachesOf(const Options& options);

class CacheControl {
public:
    CacheControl();

    const char* coldMethod() const { return dropsPageCache_ ? "page cache dropped" : "fadvise per file"; }
    void makeCold(const std::vector<std::string>& files, const std::string& directory) const;
    void makeWarm(const std::vector<std::string>& files, const std::string& directory) const;

private:
    bool dropsPageCache_ = false;
};

// --- Figures --------------------------------------------------------------------------------------

struct Work {
    std::vector<std::string> files; // what the action reads, to warm or to forget
    std::function<double()> run;    // milliseconds
    std::function<bool()> check;    // afterwards: the action showed what it should
};

class Bench {
public:
    Bench(const Options& options, long sets, std::string directory);

    // Set by a round that could not be given rows no earlier round had seen.
    bool reused = false;

    // `warmUp`: the action reads more than its own files (a new process, its libraries and fonts), so
    // a warm series starts with one untimed run of each side.
    void figure(const char* name, double goal, const std::function<Work()>& program, const std::function<Work()>& floor,
                bool warmUp = false);

private:
    // The program's and the floor's times, in this order.
    void rounds(const char* name, Cache cache, const std::function<Work()>& program, const std::function<Work()>& floor,
                std::vector<double> (&times)[2]);

    const Options& options_;
    long sets_;
    std::string directory_;
    CacheControl control_;
};

} // namespace portraitbench
