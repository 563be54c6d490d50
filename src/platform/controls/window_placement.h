#pragma once

#include <optional>

#include <QRect>
#include <QSize>

class QWidget;

namespace platform {

// Centres a window on its screen's available area by its outer size. Only the window manager knows
// how thick its frame will be, so the window is first placed by `estimatedOuter` and placed again by
// its real frame as soon as that is known.
void centreOnScreen(QWidget* window, QSize estimatedOuter);

// The size of the window's client area as the window system has it, in logical pixels; empty where
// that cannot be asked (no X11). The toolkit believes a size it asked for as soon as it asks.
std::optional<QSize> windowSystemSize(const QWidget* window);
// And its place on the screen: under mutter the toolkit takes the frame's place for the client area's.
std::optional<QRect> windowSystemGeometry(const QWidget* window);

// Asks the window manager to leave the window out of task bars and pagers, as a tool window of another
// is; call it before each show, since a window manager forgets it when the window is hidden. Only X11
// has a word for it: elsewhere the window's being transient for its owner says as much.
void keepOutOfTaskBar(QWidget* window);

// Lets the window manager maximise the window when the program asks, though the window offers no maximise
// box: window managers that honour the Motif hints (xfwm4, mutter) refuse otherwise. X11 only.
void allowMaximisingByProgram(QWidget* window);

} // namespace platform
