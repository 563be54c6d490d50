#pragma once

#include "platform/dialogs/dialogs.h"

namespace platform {

// Shows another's boxes with the usual pointer over them, also inside a busy handler: a wait cursor over
// a box would say that clicking it is no use. A window hands this out to everything that shows boxes.
class UsualPointerDialogs final : public Dialogs {
public:
    explicit UsualPointerDialogs(Dialogs& boxes) : boxes_(boxes) {}

    MessageResult messageBox(const QString& text, const QString& title, MessageButtons buttons,
                             MessageIcon icon) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;

private:
    Dialogs& boxes_;
};

} // namespace platform
