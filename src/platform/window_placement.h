#pragma once

#include <QScreen>
#include <QSize>
#include <QWidget>

namespace platform {

// Places a window of the given outer size in the middle of its screen's available area.
inline void centreOnScreen(QWidget* window, QSize outerPixels)
{
    if (const QScreen* screen = window->screen())
        window->move(screen->availableGeometry().center() - QPoint(outerPixels.width() / 2, outerPixels.height() / 2));
}

} // namespace platform
