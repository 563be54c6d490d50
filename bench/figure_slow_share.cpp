// The slow share (--share-latency): a user's session on our FUSE passthrough, action by action, against a
// plain listing of the directory on the share, with the requests each made.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "figures.h"
#include "floors.h"
#include "share.h"

namespace portraitbench {

namespace {

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

struct ShareRun {
    double ms = 0;
    Requests requests;
};

constexpr const char* ShareActions[] = {"start-up", "selection", "gallery", "copy"};
constexpr std::size_t ShareActionCount = std::size(ShareActions);
constexpr const char* ShareFigures[ShareActionCount] = {"start-up to the window shown", "selection, with small picture",
                                                        "gallery opened, page painted",
                                                        "copy of a set, share to share"};
using SessionRuns = std::array<ShareRun, ShareActionCount>;

std::string fileBytes(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void mountAgain(Share& share, double latencyMs)
{
    if (const std::string why = share.mount(latencyMs); !why.empty())
        throw std::runtime_error("cannot mount the share again: " + why);
}

// "start-up 12.345 1 2 ...": an action's name, milliseconds and requests by kind, one line each.
SessionRuns readSessionAnswer(const QByteArray& output)
{
    const QList<QByteArray> lines = output.trimmed().split('\n');
    SessionRuns runs;
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
    return runs;
}

// One program session on a fresh mount: each action's time and requests.
SessionRuns runShareSession(Share& share, double latencyMs, long set, long sets, const std::string& destination)
{
    mountAgain(share, latencyMs);
    const Requests mounted = readRequests(share.countsFile());
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const std::int64_t askedAt = monotonicNanoseconds();
    // Not by its path: in a mount namespace of our own inside a chroot the kernel names the binary by
    // the path outside, which does not exist in here.
    child.start(QStringLiteral("/proc/self/exe"),
                {QStringLiteral("--share-session"), QString::fromStdString(share.path("portraits")),
                 QString::fromStdString(share.path(destination)), QString::number(set), QString::number(sets),
                 QString::number(askedAt), QString::fromStdString(share.countsFile())});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw std::runtime_error("a session on the share failed");
    share.unmount();
    SessionRuns runs = readSessionAnswer(child.readAllStandardOutput());
    runs[0].requests = runs[0].requests - mounted;
    return runs;
}

ShareRun runShareListing(Share& share, double latencyMs, long entries)
{
    mountAgain(share, latencyMs);
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

// The copy is judged by the bytes beneath the share: the set's two pictures, nothing else. Removed after.
void checkCopy(const Share& share, const Dataset& data, const SetNames& names, long set, const std::string& destination)
{
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
}

// Every run of one size and latency, and the figures they give.
class ShareSeries {
public:
    ShareSeries(Share& share, const Dataset& data, const SetNames& names, double latencyMs)
        : share_(share), data_(data), names_(names), latencyMs_(latencyMs),
          entries_(long(namesIn(data.directory()).size()))
    {
    }

    void round(int round);
    void print(int rounds, int runs) const;

private:
    Share& share_;
    const Dataset& data_;
    const SetNames& names_;
    double latencyMs_;
    long entries_;
    std::vector<ShareRun> program_[ShareActionCount];
    std::vector<ShareRun> listing_;
};

void ShareSeries::round(int round)
{
    const long sets = names_.count();
    // A set with small picture, another each round.
    long set = (1 + long(round) * 7919) % sets;
    while (!names_.hasSmall(set))
        set = (set + 1) % sets;
    const std::string destination = "copies-" + std::to_string(round);
    if (::mkdir(share_.beneath(destination).c_str(), 0755) != 0)
        throw std::runtime_error("cannot make " + share_.beneath(destination));
    for (int turn = 0; turn < 2; ++turn) {
        if ((round % 2 == 0) == (turn == 0)) {
            const SessionRuns runs = runShareSession(share_, latencyMs_, set, sets, destination);
            for (std::size_t a = 0; a < ShareActionCount; ++a)
                program_[a].push_back(runs[a]);
        } else {
            listing_.push_back(runShareListing(share_, latencyMs_, entries_));
        }
    }
    checkCopy(share_, data_, names_, set, destination);
}

void ShareSeries::print(int rounds, int runs) const
{
    const ShareRun listed = medianRun(listing_);
    char roundsText[32] = "";
    if (rounds != runs)
        std::snprintf(roundsText, sizeof roundsText, "   [%d round%s]", rounds, rounds == 1 ? "" : "s");
    for (std::size_t a = 0; a < ShareActionCount; ++a) {
        const ShareRun middle = medianRun(program_[a]);
        std::printf("%-30s %6ld sets %4g ms %11.3f ms   listing %10.3f ms   ratio %7.3f   requests %6llu / %6llu   "
                    "(%s)%s\n",
                    ShareFigures[a], names_.count(), latencyMs_, middle.ms, listed.ms,
                    listed.ms > 0 ? middle.ms / listed.ms : 0, static_cast<unsigned long long>(middle.requests.total()),
                    static_cast<unsigned long long>(listed.requests.total()), middle.requests.text().c_str(),
                    roundsText);
    }
    std::printf("%-30s %6ld sets %4g ms   listing requests: (%s)\n", "", names_.count(), latencyMs_,
                listed.requests.text().c_str());
    std::fflush(stdout);
}

void measureShare(Share& share, const Options& options, const Dataset& data, const SetNames& names, double latencyMs)
{
    ShareSeries series(share, data, names, latencyMs);
    const auto start = Clock::now();
    int rounds = 0;
    for (; rounds < options.runs; ++rounds) {
        if (!options.runsGiven && rounds > 0 && millisecondsSince(start) > ShareBudgetMs)
            break;
        series.round(rounds);
        std::fprintf(stderr, "%ld sets, %g ms per request: round %d took %.1f s so far\n", names.count(), latencyMs,
                     rounds + 1, millisecondsSince(start) / 1000);
    }
    series.print(rounds, options.runs);
}

void printShareHeader(const Options& options)
{
    std::printf(ShareHeader, options.runs, options.runs == 1 ? "" : "s",
                options.runsGiven ? "" : " (fewer where a size and latency has taken 2 minutes)", ShareLapseMs / 1000.0,
                options.privateMounts ? "a mount namespace of the bench's own: no other process sees it"
                                      : "the machine's mount namespace: other processes' requests count too");
    std::fflush(stdout);
}

} // namespace

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

    printShareHeader(options);
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

} // namespace portraitbench
