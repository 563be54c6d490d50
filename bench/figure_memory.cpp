// memory per set: (peak of a session over N sets - peak of the same session over an empty directory) / N,
// a process per size.

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <sys/stat.h>

#include <QApplication>
#include <QScrollBar>

#include "figures.h"
#include "gallery/frm_browser.h"
#include "manager/frm_main.h"
#include "platform/controls/file_list_box.h"
#include "surroundings.h"

namespace portraitbench {

namespace {

void scrollTo(QScrollBar* scroller, int value, PaintWatch& watch)
{
    value = std::clamp(value, 0, scroller->maximum());
    if (value == scroller->value())
        return;
    scroller->setValue(value);
    watch.waitPainted();
    settle();
}

long sessionPeak(const std::string& directory)
{
    return runChild({QStringLiteral("--session"), QString::fromStdString(directory)}, false).trimmed().toLong();
}

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

} // namespace

int session(const QString& directory)
{
    requireBigScreen();
    Services services;
    StartedManager started(services, directory);
    auto& [manager, watch] = started;
    settle();
    auto* files = started.files();
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

MemoryBaseline measureMemoryBaseline(const std::string& root)
{
    const std::string emptyDirectory = joined(root, "empty");
    ::mkdir(emptyDirectory.c_str(), 0755);
    MemoryBaseline baseline{{0, sessionPeak(emptyDirectory)}, {1000, 0}};
    const Dataset data(root, "reference", SetNames(baseline.reference.sets, true), LargeWidth, LargeHeight, SmallWidth,
                       SmallHeight, DistinctPictures);
    baseline.reference.kilobytes = sessionPeak(data.directory());
    return baseline;
}

void memoryFigure(long sets, const std::string& directory, const MemoryBaseline& baseline)
{
    printMemory(sets, sessionPeak(directory), baseline.empty, baseline.reference);
}

} // namespace portraitbench
