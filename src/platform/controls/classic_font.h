#pragma once

#include <QFont>

namespace platform {

// The windows are drawn for MS Sans Serif; where it is missing, a sans-serif face of the same
// metrics keeps the texts inside their designed boxes.
QFont classicFont(int pointSize);

} // namespace platform
