// Measures the program on generated portrait directories and prints each figure beside a floor
// measured in the same run, as a ratio, because this machine's speed varies from run to run.
//
//   portrait_bench [--sizes 1000,10000,100000] [--runs N]
//
// Every size runs in a child process of its own, so that its peak memory is its own.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include "gallery/frm_browser.h"
#include "manager/frm_main.h"
#include "naming/next_name.h"
#include "platform/dialogs.h"
#include "platform/file_list_box.h"
#include "platform/file_system.h"
#include "platform/pictures.h"
#include "platform/random_source.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsOf(const std::function<void()>& work, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2]; // the median
}

void report(const char* what, long sets, double ms, double floorMs)
{
    std::printf("%-34s %7ld sets  %9.3f ms   floor %9.3f ms   ratio %5.2f\n", what, sets, ms, floorMs,
                floorMs > 0 ? ms / floorMs : 0.0);
    std::fflush(stdout);
}

// Sets of every type, some without small picture, names in mixed letter case. All files are hard
// links to two real bitmaps, so 100,000 sets cost no disk space but read and decode like real ones.
void makeDirectory(const QString& path, long sets)
{
    QDir().mkpath(path);
    const QString large = path + QStringLiteral("/.large.bmp");
    const QString small = path + QStringLiteral("/.small.bmp");
    QImage(110, 170, QImage::Format_RGB32).save(large, "BMP");
    QImage(38, 60, QImage::Format_RGB32).save(small, "BMP");
    const char* prefixes[] = {"MM", "MP", "MR", "MW", "FM", "FP", "FR", "FW"};
    for (long i = 0; i < sets; ++i) {
        QString stem =
            QStringLiteral("%1%2").arg(QLatin1String(prefixes[i % 8])).arg(i / 8 + 1, 5, 10, QLatin1Char('0'));
        if (i % 7 == 0)
            stem[1] = stem[1].toLower();
        const QByteArray largeName = QFile::encodeName(path + '/' + stem + (i % 5 == 0 ? "l.BMP" : "L.bmp"));
        ::link(QFile::encodeName(large).constData(), largeName.constData());
        if (i % 13 != 0) {
            QString smallStem = stem;
            smallStem[0] = smallStem[0].toLower();
            ::link(QFile::encodeName(small).constData(),
                   QFile::encodeName(path + '/' + smallStem + "S.bmp").constData());
        }
    }
}

// What plain C++ does to list and sort a directory's large pictures.
std::vector<std::string> plainListing(const std::string& directory)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.c_str());
    while (const dirent* entry = ::readdir(dir)) {
        const std::size_t length = std::strlen(entry->d_name);
        if (entry->d_name[0] != '.' && length >= 5 && ::strcasecmp(entry->d_name + length - 5, "L.bmp") == 0)
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return ::strcasecmp(a.c_str(), b.c_str()) < 0; });
    return names;
}

class AnswerFour final : public platform::Dialogs {
public:
    platform::MessageResult messageBox(const QString&, const QString&, platform::MessageButtons,
                                       platform::MessageIcon) override
    {
        return platform::MessageResult::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override
    {
        return QStringLiteral("4");
    }
};

class NeverAbout final : public platform::RandomSource {
public:
    double next() override { return 0; }
};

long peakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int runOneSize(long sets, int runs)
{
    QTemporaryDir scratch;
    const QString directory = scratch.path() + QStringLiteral("/portraits");
    makeDirectory(directory, sets);
    const std::string plainDirectory = QFile::encodeName(directory).toStdString();

    platform::PosixFileSystem fileSystem;
    AnswerFour dialogs;
    NeverAbout random;

    // Listing into the file list.
    platform::FileListBox list(fileSystem, nullptr);
    list.setPattern(QStringLiteral("*L.bmp"));
    const double listing = millisecondsOf([&] { list.setPath(directory); }, runs);
    const double listingFloor = millisecondsOf([&] { plainListing(plainDirectory); }, runs);
    report("listing into the file list", sets, listing, listingFloor);

    // The allocation alone.
    std::vector<std::u32string> entries;
    for (const QString& entry : list.entries())
        entries.push_back(entry.toStdU32String());
    const double allocation = millisecondsOf([&] { naming::allocateNextName(1, 1, entries); }, runs);
    report("allocation alone", sets, allocation, 0);

    // Start-up: a new process until the manager is shown, against a new process showing an empty window.
    const auto processMilliseconds = [&](const QStringList& arguments) {
        return millisecondsOf(
            [&] {
                QProcess probe;
                probe.start(QCoreApplication::applicationFilePath(), arguments);
                probe.waitForFinished(-1);
            },
            runs);
    };
    const double startUp = processMilliseconds({QStringLiteral("--probe"), directory});
    const double emptyWindow = processMilliseconds({QStringLiteral("--probe"), QString()});
    report("start-up to the manager shown", sets, startUp, emptyWindow);
    auto manager = std::make_unique<frmMain>(platform::Services{fileSystem, dialogs, random}, directory);
    manager->start();
    QApplication::processEvents();

    // A selection in the source list, through the end of its refresh.
    auto* files = manager->findChild<platform::FileListBox*>(QStringLiteral("Files"));
    const int middle = files->listCount() / 2 + 1; // a set with its small picture
    const QString largePath = directory + '/' + files->list(middle);
    const double selection = millisecondsOf([&] { files->setListIndex(middle); }, runs);
    const QString smallPath = manager->variables().SourceSmallPath;
    const double selectionFloor = millisecondsOf(
        [&] {
            platform::decodeBitmap(largePath);
            platform::decodeBitmap(smallPath);
            DIR* dir = ::opendir(plainDirectory.c_str());
            while (::readdir(dir)) {
            }
            ::closedir(dir);
        },
        runs);
    report("selection (click to end of refresh)", sets, selection, selectionFloor);

    // Gallery layout and scroll step, 4 x 4 and a 1920 x 1080 screen.
    manager->findChild<QPushButton*>(QStringLiteral("BrowseButton"))->click();
    frmBrowser* gallery = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* browser = qobject_cast<frmBrowser*>(widget); browser && browser->isVisible())
            gallery = browser;
    auto* scroller = gallery->findChild<QScrollBar*>(QStringLiteral("Scroller"));
    const auto pageFloor = [&] {
        return millisecondsOf(
            [&] {
                for (int k = 0; k <= gallery->state().LastShownCell; ++k) {
                    const QString large = gallery->state().CellLargeName[std::size_t(k)];
                    const QString small = gallery->state().CellSmallName[std::size_t(k)];
                    if (!large.isEmpty())
                        platform::decodeBitmap(directory + '/' + large);
                    if (!small.isEmpty())
                        platform::decodeBitmap(directory + '/' + small);
                }
                DIR* dir = ::opendir(plainDirectory.c_str());
                while (::readdir(dir)) {
                }
                ::closedir(dir);
            },
            runs);
    };
    const auto measureGallery = [&](const char* layoutName, const char* scrollName,
                                    const std::function<void()>& layout) {
        const double layoutMs = millisecondsOf(layout, runs);
        const double floorMs = pageFloor();
        report(layoutName, sets, layoutMs, floorMs);
        int position = 0;
        const double scrollMs =
            millisecondsOf([&] { scroller->setValue(++position % (scroller->maximum() + 1)); }, runs);
        report(scrollName, sets, scrollMs, floorMs);
    };
    // Each run a real layout of one size: the width alternates by a pixel, the grid stays.
    bool wide = false;
    const auto layoutAt = [gallery, &wide](QSize size) {
        wide = !wide;
        gallery->setFixedSize(size + QSize(wide ? 1 : 0, 0));
        QApplication::processEvents();
    };
    const int menu = gallery->menuBar()->sizeHint().height();
    measureGallery("gallery layout 4 x 4", "gallery scroll step 4 x 4", [&] { layoutAt(QSize(571, 689 + menu)); });
    measureGallery("gallery layout 1920 x 1080", "gallery scroll step 1920 x 1080",
                   [&] { layoutAt(QSize(1920, 1080)); });

    std::printf("%-34s %7ld sets  %9ld KiB peak\n", "memory, gallery 1920 x 1080", sets, peakKilobytes());
    gallery->close();
    return 0;
}

} // namespace

// A new process shows the manager over `directory`, or an empty window when it is empty, and ends.
int probe(int argc, char* argv[], const QString& directory)
{
    QApplication app(argc, argv);
    platform::PosixFileSystem fileSystem;
    AnswerFour dialogs;
    NeverAbout random;
    if (directory.isEmpty()) {
        QWidget window;
        window.resize(681, 473);
        window.show();
        QApplication::processEvents();
        return 0;
    }
    frmMain manager(platform::Services{fileSystem, dialogs, random}, directory);
    manager.start();
    QApplication::processEvents();
    return 0;
}

int main(int argc, char* argv[])
{
    std::vector<long> sizes{1000, 10000, 100000};
    int runs = 5;
    long only = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--sizes") {
            sizes.clear();
            for (const QString& size : QString::fromLatin1(argv[i + 1]).split(QLatin1Char(',')))
                sizes.push_back(size.toLong());
        } else if (option == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (option == "--one-size") {
            only = std::atol(argv[i + 1]);
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::string(argv[1]) == "--probe")
        return probe(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (only > 0) {
        QApplication app(argc, argv);
        return runOneSize(only, runs);
    }
    for (const long size : sizes) {
        std::fflush(stdout);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--one-size"), QString::number(size),
                                                      QStringLiteral("--runs"), QString::number(runs)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            return 1;
    }
    return 0;
}
