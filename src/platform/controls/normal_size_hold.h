#pragma once

#include <functional>
#include <optional>

#include <QPoint>
#include <QSize>
#include <QTimer>

class QWidget;
class QWindowStateChangeEvent;

namespace platform {

// How a window of the design meets the window manager: in the normal state it keeps one size, the
// normal size, whatever the user drags; maximised it takes what it is given; back in the normal state
// it returns to where its client area stood. Both ways of holding the size live here and nowhere else.
class NormalSizeHold final {
public:
    enum class Way {
        // Any other size is asked back. The window manager still sees a resizable window, so it can
        // maximise it.
        SnapBack,
        // Size hints allow no other size. The window manager then offers no maximising: the program
        // maximises the window itself (maximise, restore).
        SizeHints,
    };

    // Holds nothing yet: the window asks for its size once its controls stand (hold, setNormalSize).
    NormalSizeHold(QWidget* window, Way way, QSize normalSize);
    NormalSizeHold(const NormalSizeHold&) = delete;
    NormalSizeHold& operator=(const NormalSizeHold&) = delete;

    // A new size for the normal state (the window's, in logical pixels), held at once.
    void setNormalSize(QSize size);
    // Asks for the normal size; while the window leaves the maximised state (stateChanged), for its
    // normal place as well.
    void hold();

    // From the window's moveEvent: a place held in the normal state at the normal size is the normal one.
    void noteMove();
    // From the window's hideEvent and showEvent: a window shown again goes back to the normal place it
    // left, asked for by its client area (mutter put the client area where the frame had been).
    void hidden();
    void shown();
    // From the window's resizeEvent, before it lays anything out: a compositor that has let the window
    // leave the maximised state resizes it, and only then may the normal size be asked for.
    void noteResize();
    // From the window's changeEvent: runs `relayout`, the window's answer to its new state, knowing
    // whether the window leaves the maximised or full-screen state.
    void stateChanged(const QWindowStateChangeEvent& change, const std::function<void()>& relayout);

    // The program maximises the window itself, from the place it leaves, over the screen's work area.
    void maximise();
    // And makes it normal again: `relayout` asks for the normal size and lays the window out, then the
    // window goes back to the place it left.
    void restore(const std::function<void()>& relayout);

private:
    void snapBackAgain();

    QWidget* window_;
    Way way_;
    QSize normalSize_;
    // Where the client area stood last in the normal state: restoring from maximised returns there.
    std::optional<QPoint> normalPosition_;
    bool leavingMaximised_ = false;
    // A Wayland compositor has not yet confirmed the normal state: a size of ours now would break the
    // protocol, which ends the program.
    bool awaitingCompositor_ = false;
    // Asks for the normal size again until the window system has it (a window manager in the middle of
    // a frame drag ignores the request), for at most ten seconds after the last change.
    QTimer snapBack_;
    int snapAttempts_ = 0;
    int steadyTicks_ = 0;
    static constexpr int SnapBackInterval = 250; // ms
    static constexpr int MaxSnapAttempts = 40;
    static constexpr int SteadyTicks = 4;
};

} // namespace platform
