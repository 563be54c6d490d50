#pragma once

#include <QSize>

class QWidget;

namespace platform {

// Centres a window on its screen's available area by its outer size. Only the window manager knows
// how thick its frame will be, so the window is first placed by `estimatedOuter` and placed again by
// its real frame as soon as that is known.
void centreOnScreen(QWidget* window, QSize estimatedOuter);

} // namespace platform
