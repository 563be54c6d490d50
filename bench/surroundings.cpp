#include "surroundings.h"

#include <cstdio>

#include <QApplication>
#include <QPushButton>
#include <QScreen>

#include "gallery/frm_browser.h"
#include "harness.h"
#include "platform/controls/file_list_box.h"

namespace portraitbench {

namespace {

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

void requireMaximised(const frmBrowser* gallery)
{
    if (!gallery->isMaximized() || gallery->frameGeometry().size() != gallery->screen()->availableGeometry().size())
        fail(QStringLiteral("the gallery is %1 x %2, maximised %3, on a screen of %4 x %5")
                 .arg(gallery->frameGeometry().width())
                 .arg(gallery->frameGeometry().height())
                 .arg(gallery->isMaximized())
                 .arg(gallery->screen()->availableGeometry().width())
                 .arg(gallery->screen()->availableGeometry().height())
                 .toStdString());
}

} // namespace

PaintWatch::PaintWatch(const QWidget* window) : window_(window)
{
    qApp->installEventFilter(this);
}

PaintWatch::~PaintWatch()
{
    qApp->removeEventFilter(this);
}

void PaintWatch::watch(const QWidget* window, std::function<bool(const QWidget*)> counts)
{
    window_ = window;
    counts_ = std::move(counts);
}

StartedManager::StartedManager(Services& services, const QString& directory)
    : window(services.forWindows(), directory), watch(&window)
{
    window.start();
    watch.waitPainted();
}

platform::FileListBox* StartedManager::files() const
{
    return window.findChild<platform::FileListBox*>(QStringLiteral("Files"));
}

void PaintWatch::waitPainted()
{
    const int before = paints_;
    const auto start = Clock::now();
    while (paints_ == before) {
        QApplication::processEvents();
        if (millisecondsSince(start) > 120000)
            fail("the window did not paint within two minutes");
    }
}

bool PaintWatch::eventFilter(QObject* object, QEvent* event)
{
    if (event->type() == QEvent::Paint && object->isWidgetType() &&
        static_cast<QWidget*>(object)->window() == window_ && (!counts_ || counts_(static_cast<QWidget*>(object))))
        ++paints_;
    return false;
}

void quietenOffscreenNotes()
{
    passOn = qInstallMessageHandler(quietOffscreenNotes);
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
    requireMaximised(gallery);
    return gallery;
}

} // namespace portraitbench
