#pragma once

#include "platform/dialogs/dialogs.h"

namespace platform {

// The boxes the user meets: centred on and modal to the active window of the application.
class QtDialogs final : public Dialogs {
public:
    MessageResult messageBox(const QString& text, const QString& title, MessageButtons buttons,
                             MessageIcon icon) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
};

} // namespace platform
