// 4096 gallery: 40 sets of 4096 x 4096 pictures, the gallery switched to full screen until painted, and
// the peak resident memory of that process.

#include <cstdio>
#include <cstdlib>

#include <sys/statvfs.h>

#include <QApplication>
#include <QPushButton>

#include "figures.h"
#include "gallery/frm_browser.h"
#include "manager/frm_main.h"
#include "surroundings.h"

namespace portraitbench {

namespace {

constexpr int HugeSide = 4096;
constexpr long HugeSets = 40;

std::vector<std::string> pathsIn(const std::string& directory)
{
    std::vector<std::string> paths;
    for (const std::string& name : namesIn(directory))
        paths.push_back(joined(directory, name));
    return paths;
}

struct OpenedGallery {
    frmBrowser* gallery = nullptr;
    double openMs = 0;
};

OpenedGallery openGallery(frmMain& manager, PaintWatch& watch)
{
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
    return {gallery, openMs};
}

void printHuge(Cache cache, double ms, double peakMb, const std::string& files)
{
    const bool met = ms <= 2000 && peakMb <= 600;
    std::printf("%-32s %8ld sets  %s %10.3f ms   peak %8.1f MB   goal responds within 2 s, peak <= 600 MB%s   "
                "(%s)\n",
                "gallery full screen, 4096x4096", HugeSets, cacheName(cache), ms, peakMb,
                cache == Cache::Warm ? (met ? ": met" : ": missed") : "", files.c_str());
    std::fflush(stdout);
}

} // namespace

int huge(const QString& directory, Cache cache)
{
    requireBigScreen();
    Services services;
    StartedManager started(services, directory);
    auto& [manager, watch] = started;
    settle();
    const OpenedGallery opened = openGallery(manager, watch);
    frmBrowser* gallery = opened.gallery;
    if (cache == Cache::Cold)
        CacheControl().makeCold(pathsIn(directory.toStdString()), directory.toStdString());
    const double ms = timeMilliseconds([&] {
        gallery->mnuOptions_Click(1);
        watch.waitPainted();
    });
    std::fprintf(stderr, "4096 x 4096 gallery (%s): opened in %.0f ms, then full screen\n", cacheName(cache),
                 opened.openMs);
    if (!gallery->isMaximized() || !gallery->state().CellLargeName[0].endsWith(QStringLiteral("L.bmp")))
        fail("the gallery did not go full screen");
    std::printf("%.3f %ld\n", ms, peakKilobytes());
    std::fflush(stdout);
    std::_Exit(0);
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
    for (const Cache cache : cachesOf(options)) {
        if (cache == Cache::Warm)
            CacheControl().makeWarm(pathsIn(data.directory()), data.directory());
        const QList<QByteArray> answer = runChild({QStringLiteral("--huge"), QString::fromStdString(data.directory()),
                                                   QString::fromLatin1(cacheName(cache))},
                                                  false)
                                             .trimmed()
                                             .split(' ');
        if (answer.size() != 2)
            fail("the 4096 x 4096 gallery gave no answer");
        printHuge(cache, answer[0].toDouble(), answer[1].toDouble() * 1024 / 1e6, files);
    }
}

} // namespace portraitbench
