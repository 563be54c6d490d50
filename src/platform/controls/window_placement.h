#pragma once

#include <optional>

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

} // namespace platform
