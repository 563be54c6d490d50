#pragma once

#include <QString>

namespace platform {

struct Volume {
    QString rootPath; // e.g. "/" or "/media/usb"
    QString label;    // may be empty
};

} // namespace platform
