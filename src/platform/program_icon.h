#pragma once

#include <QIcon>

namespace platform {

// The program's icon, drawn in code: a framed portrait.
QIcon programIcon();

} // namespace platform
