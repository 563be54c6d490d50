#include "platform/controls/window_placement.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
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

// Watches the window until its frame is known, then centres it by that frame once. A window manager
// that draws no frame at all (KWin without its decorations, tiling ones) never gives one: a window shown
// that long without one is centred as it is.
class FramedCentring final : public QObject {
public:
    explicit FramedCentring(QWidget* window) : QObject(window), window_(window)
    {
        window->installEventFilter(this);
        frameless_.setSingleShot(true);
        frameless_.setInterval(FramelessAfter);
        connect(&frameless_, &QTimer::timeout, this, [this] { centreBy(window_->frameGeometry().size()); });
    }

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
            frame.height() < client.height()) {
            if (window_->isVisible())
                frameless_.start();
            return false; // no frame yet, or none at all
        }
        // Whether the window manager took the place asked for as the frame's or the client area's, the
        // frame now goes to the centre.
        centreBy(frame);
        return false;
    }

private:
    void centreBy(QSize outer)
    {
        frameless_.stop();
        if (window_) {
            window_->move(centredTopLeft(window_, outer));
            window_->removeEventFilter(this);
        }
        deleteLater();
    }

    static constexpr int FramelessAfter = 500; // ms; a window manager frames a new window within milliseconds
    QPointer<QWidget> window_;
    QTimer frameless_;
};

xcb_connection_t* x11Connection()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

} // namespace

std::optional<QRect> windowSystemGeometry(const QWidget* window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window->testAttribute(Qt::WA_WState_Created))
        return std::nullopt;
    const auto id = xcb_window_t(window->winId());
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr);
    if (!geometry)
        return std::nullopt;
    xcb_translate_coordinates_reply_t* place = xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, id, geometry->root, 0, 0), nullptr);
    const qreal ratio = window->devicePixelRatioF();
    std::optional<QRect> found;
    if (place)
        found = QRect(qRound(place->dst_x / ratio), qRound(place->dst_y / ratio), qRound(geometry->width / ratio),
                      qRound(geometry->height / ratio));
    std::free(place);
    std::free(geometry);
    return found;
}

std::optional<QSize> windowSystemSize(const QWidget* window)
{
    const std::optional<QRect> geometry = windowSystemGeometry(window);
    return geometry ? std::optional<QSize>(geometry->size()) : std::nullopt;
}

void keepOutOfTaskBar(QWidget* window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return;
    const xcb_atom_t skipped[] = {atomNamed(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                  atomNamed(connection, "_NET_WM_STATE_SKIP_PAGER")};
    // Before the window is mapped its state is its own property; the toolkit adds its states to it.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()),
                        atomNamed(connection, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 2, skipped);
    xcb_flush(connection);
}

void allowMaximisingByProgram(QWidget* window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window->testAttribute(Qt::WA_WState_Created))
        return;
    const xcb_window_t id = xcb_window_t(window->winId());
    const xcb_atom_t motif = atomNamed(connection, "_MOTIF_WM_HINTS");
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, id, motif, motif, 0, 5), nullptr);
    // Flags, functions, decorations, input mode, status; functions count only where flag 1 says so.
    std::array<uint32_t, 5> hints{};
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == int(sizeof hints))
        std::memcpy(hints.data(), xcb_get_property_value(reply), sizeof hints);
    std::free(reply);
    constexpr uint32_t FunctionsGiven = 1, AllFunctions = 1, Maximise = 16;
    if (!(hints[0] & FunctionsGiven))
        return; // every function is allowed already
    // With the "all" bit set the others name the functions taken away.
    hints[1] = (hints[1] & AllFunctions) ? hints[1] & ~Maximise : hints[1] | Maximise;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, motif, motif, 32, 5, hints.data());
    xcb_flush(connection);
}

void centreOnScreen(QWidget* window, QSize estimatedOuter)
{
    if (!window->screen())
        return;
    window->move(centredTopLeft(window, estimatedOuter));
    new FramedCentring(window);
}

} // namespace platform
