// The slow share's program side: a user's session on the share, in a new process of its own, each
// action's time and requests reported to the driver.

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include "figures.h"
#include "gallery/frm_browser.h"
#include "manager/frm_main.h"
#include "platform/controls/dir_list_box.h"
#include "platform/controls/file_list_box.h"
#include "platform/controls/image_box.h"
#include "share.h"
#include "surroundings.h"

namespace portraitbench {

namespace {

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

void select(frmMain& manager, const SetNames& names, long set, const std::string& countsFile)
{
    auto* files = manager.findChild<platform::FileListBox*>(QStringLiteral("Files"));
    const Requests before = readRequests(countsFile);
    const double selectionMs = timeMilliseconds([&] { files->setListIndex(int(set)); });
    reportAction("selection", selectionMs, readRequests(countsFile) - before);
    const ManagerVariables& vars = manager.variables();
    if (vars.SourceLargeName.toStdString() != names.large(set) ||
        vars.SourceSmallName.toStdString() != names.small(set) ||
        !manager.findChild<platform::ImageBox*>(QStringLiteral("Image1"))->hasPicture() ||
        !manager.findChild<platform::ImageBox*>(QStringLiteral("Image2"))->hasPicture())
        fail("the selection on the share did not show the set");
}

// Every cell of the first page shows its picture.
bool pageShown(const frmBrowser& gallery)
{
    const GalleryState& state = gallery.state();
    int shown = 0;
    for (const platform::ImageBox* cell : gallery.findChildren<platform::ImageBox*>(QStringLiteral("Image1"))) {
        const int k = cell->property("index").toInt();
        if (k > state.LastShownCell || state.CellLargeName[std::size_t(k)].isEmpty())
            continue;
        if (!cell->hasPicture())
            return false;
        ++shown;
    }
    return shown > 0;
}

void openGallery(frmMain& manager, PaintWatch& watch, const SetNames& names, const std::string& countsFile)
{
    const Requests before = readRequests(countsFile);
    frmBrowser* gallery = nullptr;
    // Every cell of the first page shows its picture in the paint that ends the wait.
    const auto pagePainted = [&gallery](const QWidget* painted) {
        if (qobject_cast<const platform::ImageBox*>(painted) == nullptr || !painted->property("index").isValid())
            return false;
        return pageShown(*gallery);
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
}

} // namespace

// A user's session on the share: start-up, a set chosen, the gallery opened, the set copied, each once
// and a pause apart. Start-up's requests are the process's since it began.
int shareSession(const QString& directory, const QString& destination, long set, long sets, std::int64_t askedAt,
                 const std::string& countsFile)
{
    requireBigScreen();
    const SetNames names(sets, true);
    Services services;
    StartedManager started(services, directory);
    auto& [manager, watch] = started;
    reportAction("start-up", double(monotonicNanoseconds() - askedAt) / 1e6, readRequests(countsFile));
    auto* files = started.files();
    if (files == nullptr || files->listCount() != sets)
        fail("the manager does not list the share's sets");
    // Where the copy goes, chosen untimed before the pause, as a user would.
    if (!manager.findChild<platform::DirListBox*>(QStringLiteral("Directory2"))->setPath(destination))
        fail("the manager cannot show the copy's destination");
    lapse();
    select(manager, names, set, countsFile);
    lapse();
    openGallery(manager, watch, names, countsFile);
    lapse();
    const Requests before = readRequests(countsFile);
    const double copyMs =
        timeMilliseconds([&] { manager.findChild<QPushButton*>(QStringLiteral("SaveButton"))->click(); });
    reportAction("copy", copyMs, readRequests(countsFile) - before);
    // The driver checks the copies on the disk beneath the share.
    std::_Exit(0);
}

} // namespace portraitbench
