// Measures the program on generated portrait directories and prints every figure beside its floor: the
// least work plain code does for the same visible result, measured in the same rounds, because this
// machine's speed varies from run to run. `portrait_bench --help` tells what each figure is.
//
// Each size runs in child processes of its own, so that its peak memory is its own.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <QApplication>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include "figures.h"
#include "surroundings.h"

namespace portraitbench {

namespace {

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

// The command line, option by option.
class Arguments {
public:
    Arguments(int argc, char* argv[]) : argc_(argc), argv_(argv) {}

    // The next option; nothing at the end.
    const char* next() { return ++i_ < argc_ ? argv_[i_] : nullptr; }
    // The value that follows `option`.
    const char* value(const std::string& option)
    {
        if (i_ + 1 >= argc_)
            usageError(option + " needs a value");
        return argv_[++i_];
    }

private:
    int argc_;
    char** argv_;
    int i_ = 0;
};

struct Command {
    Options options;
    QString mode; // internal: how the driver starts its children
    QStringList modeArguments;
};

// False for an option that is none of the user's.
bool readOption(const std::string& option, Arguments& arguments, Options& options)
{
    if (option == "--sizes") {
        options.sizes.clear();
        for (const QString& size : QString::fromLocal8Bit(arguments.value(option)).split(QLatin1Char(',')))
            options.sizes.push_back(positiveNumber(size.toLocal8Bit().constData(), "--sizes"));
        options.sizesGiven = true;
    } else if (option == "--share-latency") {
        options.shareLatencies.clear();
        for (const QString& latency : QString::fromLocal8Bit(arguments.value(option)).split(QLatin1Char(',')))
            options.shareLatencies.push_back(milliseconds(latency.toLocal8Bit().constData(), "--share-latency"));
    } else if (option == "--runs") {
        options.runs = int(std::min(positiveNumber(arguments.value(option), "--runs"), 1000L));
        options.runsGiven = true;
    } else if (option == "--warm-only") {
        options.cold = false;
    } else if (option == "--cold-only") {
        options.warm = false;
    } else if (option == "--no-huge") {
        options.huge = false;
    } else {
        return false;
    }
    return true;
}

// How many values a child's mode takes; none for what is not a mode.
int modeValues(const std::string& option)
{
    if (option == "--measure" || option == "--probe" || option == "--probe-floor" || option == "--huge")
        return 2;
    if (option == "--session")
        return 1;
    return option == "--share-session" ? 6 : 0;
}

// False once --help has been answered.
bool parse(int argc, char* argv[], Command& command)
{
    Arguments arguments(argc, argv);
    while (const char* next = arguments.next()) {
        const std::string option = next;
        if (option == "--help" || option == "-h") {
            std::fputs(Usage, stdout);
            return false;
        }
        if (readOption(option, arguments, command.options))
            continue;
        const int values = modeValues(option);
        if (values == 0)
            usageError("unknown option '" + option + "'");
        command.mode = QString::fromStdString(option);
        for (int k = 0; k < values; ++k)
            command.modeArguments << QString::fromLocal8Bit(arguments.value(option));
    }
    if (!command.options.warm && !command.options.cold)
        usageError("--warm-only and --cold-only exclude each other");
    return true;
}

int runMode(int argc, char* argv[], const Command& command)
{
    const QString& mode = command.mode;
    const QStringList& values = command.modeArguments;
    if (mode == QLatin1String("--probe") || mode == QLatin1String("--probe-floor"))
        return probe(argc, argv, values[0], values[1].toLongLong(), mode == QLatin1String("--probe-floor"));
    QApplication app(argc, argv);
    if (mode == QLatin1String("--measure"))
        return measure(command.options, values[0], positiveNumber(values[1].toLatin1().constData(), "--measure"));
    if (mode == QLatin1String("--session"))
        return session(values[0]);
    if (mode == QLatin1String("--share-session"))
        return shareSession(values[0], values[1], values[2].toLong(), values[3].toLong(), values[4].toLongLong(),
                            values[5].toStdString());
    return huge(values[0], values[1] == QLatin1String("cold") ? Cache::Cold : Cache::Warm);
}

int runDriver(int argc, char* argv[], Options& options)
{
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

} // namespace

} // namespace portraitbench

int main(int argc, char* argv[])
{
    portraitbench::Command command;
    if (!portraitbench::parse(argc, argv, command))
        return 0;
    if (command.mode.isEmpty())
        return portraitbench::runDriver(argc, argv, command.options);
    portraitbench::quietenOffscreenNotes();
    return portraitbench::runMode(argc, argv, command);
}
