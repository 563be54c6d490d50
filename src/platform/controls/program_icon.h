#pragma once

#include <QIcon>
#include <QImage>

namespace platform {

// The program's icon, drawn in code: a framed portrait. The installed icons are drawn the same way.
QIcon programIcon();
QImage programIconImage(int size);

} // namespace platform
