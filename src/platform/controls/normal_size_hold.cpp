#include "platform/controls/normal_size_hold.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScopedValueRollback>
#include <QScreen>
#include <QWidget>
#include <QWindowStateChangeEvent>

#include "platform/controls/window_placement.h"

namespace platform {

namespace {

// Where the compositor, not the program, decides when a maximised window becomes normal again.
bool compositorDecides()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

NormalSizeHold::NormalSizeHold(QWidget* window, Way way, QSize normalSize)
    : window_(window), way_(way), normalSize_(normalSize)
{
    snapBack_.setInterval(SnapBackInterval);
    QObject::connect(&snapBack_, &QTimer::timeout, [this] { snapBackAgain(); });
}

void NormalSizeHold::setNormalSize(QSize size)
{
    normalSize_ = size;
    hold();
}

void NormalSizeHold::hold()
{
    if (awaitingCompositor_)
        return; // asked for once the compositor has resized the window
    if (way_ == Way::SizeHints) {
        // A fixed border: the user cannot drag it to another size.
        window_->setFixedSize(normalSize_);
        return;
    }
    if (window_->size() == normalSize_)
        return;
    // The size is set with the position: while the window was maximised the toolkit holds the screen's
    // corner as its position, and a bare resize would leave it there. The client area's place is kept,
    // not the frame's: a maximised frame has other borders.
    const bool restoring = leavingMaximised_ && normalPosition_;
    // A window manager that maximises the window may resize it before it says so (xfwm4), and takes a size
    // asked for at once as the end of the maximised state: where the window system can be asked, the size
    // is asked back a moment later, once the state has had time to arrive.
    const bool later = !restoring && window_->isVisible() && windowSystemSize(window_);
    if (restoring)
        window_->setGeometry(QRect(*normalPosition_, normalSize_));
    else if (!later)
        window_->resize(normalSize_);
    snapAttempts_ = 0;
    steadyTicks_ = 0;
    if (window_->isVisible() && !snapBack_.isActive())
        snapBack_.start();
}

void NormalSizeHold::snapBackAgain()
{
    const std::optional<QSize> real = windowSystemSize(window_);
    if (window_->windowState() != Qt::WindowNoState || !real || ++snapAttempts_ > MaxSnapAttempts) {
        snapBack_.stop();
        return;
    }
    // Mid-drag the window manager may grant the size asked for and take it back a moment later, with no
    // event the toolkit passes on: only a size that holds for a while is kept.
    if (*real == normalSize_) {
        if (++steadyTicks_ >= SteadyTicks)
            snapBack_.stop();
        return;
    }
    steadyTicks_ = 0;
    // While the user drags the frame the window manager ignores the size asked for, and the toolkit then
    // believes the window has it: a one-pixel step makes it ask again, and the resize snaps back.
    window_->resize(window_->size() == normalSize_ ? normalSize_ + QSize(0, 1) : normalSize_);
}

void NormalSizeHold::noteMove()
{
    // A window manager moves the window while maximising it, sometimes before it says so: only a
    // position held at the normal size is a normal one, and only while the window shows (moves of a
    // hidden one are the toolkit's second thoughts, not the user's).
    if (window_->isVisible() && window_->windowState() == Qt::WindowNoState && window_->size() == normalSize_)
        normalPosition_ = window_->geometry().topLeft();
}

void NormalSizeHold::hidden()
{
    // Asked of the window system: the toolkit may still believe a place the window manager has since changed.
    if (window_->windowState() == Qt::WindowNoState && window_->size() == normalSize_)
        normalPosition_ = windowSystemGeometry(window_).value_or(window_->geometry()).topLeft();
}

void NormalSizeHold::shown()
{
    if (normalPosition_ && window_->windowState() == Qt::WindowNoState && !compositorDecides())
        window_->setGeometry(QRect(*normalPosition_, window_->size()));
}

void NormalSizeHold::noteResize()
{
    if (awaitingCompositor_ && window_->windowState() == Qt::WindowNoState) {
        awaitingCompositor_ = false;
        hold();
    }
}

void NormalSizeHold::stateChanged(const QWindowStateChangeEvent& change, const std::function<void()>& relayout)
{
    const bool leaving = (change.oldState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
    if (leaving && window_->windowState() == Qt::WindowNoState && compositorDecides())
        awaitingCompositor_ = true;
    const QScopedValueRollback leavingNow(leavingMaximised_, leaving);
    relayout();
}

void NormalSizeHold::maximise()
{
    // The client area's place, not the frame's: a maximised frame has other borders.
    normalPosition_ = window_->geometry().topLeft();
    allowMaximisingByProgram(window_);
    window_->setMinimumSize(0, 0);
    window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // Without a window manager nobody else would make the window fill the screen. The state comes last:
    // moving or resizing a maximised window makes it normal again.
    const QRect available = window_->screen()->availableGeometry();
    window_->move(available.topLeft());
    window_->resize(available.size() - (window_->frameGeometry().size() - window_->size()));
    window_->setWindowState(window_->windowState() | Qt::WindowMaximized);
}

void NormalSizeHold::restore(const std::function<void()>& relayout)
{
    window_->setWindowState(window_->windowState() & ~Qt::WindowMaximized);
    awaitingCompositor_ = compositorDecides();
    relayout();
    // A compositor places windows itself.
    if (!awaitingCompositor_)
        window_->setGeometry(QRect(normalPosition_.value_or(QPoint()), window_->size()));
}

} // namespace platform
