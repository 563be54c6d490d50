#include "platform/controls/window_placement.h"

#include <cstdlib>

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <xcb/xcb.h>

namespace platform {
namespace {

QPoint centredTopLeft(const QWidget* window, QSize outer)
{
    const QRect available = window->screen()->availableGeometry();
    return available.topLeft() +
           QPoint((available.width() - outer.width()) / 2, (available.height() - outer.height()) / 2);
}

// Watches the window until its frame is known, then centres it by that frame once.
class FramedCentring final : public QObject {
public:
    explicit FramedCentring(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (watched != window_ || (type != QEvent::Move && type != QEvent::Resize && type != QEvent::Show))
            return false;
        const QSize frame = window_->frameGeometry().size();
        const QSize client = window_->size();
        // Right after reparenting, the toolkit may measure the window manager's frame before it has grown
        // round the window: a frame smaller than the window is not one yet.
        if (!window_->isVisible() || frame == client || frame.width() < client.width() ||
            frame.height() < client.height())
            return false; // no frame yet, or none at all
        // Whether the window manager took the place asked for as the frame's or the client area's, the
        // frame now goes to the centre.
        window_->move(centredTopLeft(window_, frame));
        deleteLater();
        window_->removeEventFilter(this);
        return false;
    }

private:
    QPointer<QWidget> window_;
};

} // namespace

std::optional<QSize> windowSystemSize(const QWidget* window)
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !window->testAttribute(Qt::WA_WState_Created))
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    xcb_get_geometry_reply_t* reply =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, xcb_drawable_t(window->winId())), nullptr);
    if (!reply)
        return std::nullopt;
    const qreal ratio = window->devicePixelRatioF();
    const QSize size(qRound(reply->width / ratio), qRound(reply->height / ratio));
    std::free(reply);
    return size;
}

void centreOnScreen(QWidget* window, QSize estimatedOuter)
{
    if (!window->screen())
        return;
    window->move(centredTopLeft(window, estimatedOuter));
    new FramedCentring(window);
}

} // namespace platform
