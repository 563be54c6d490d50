#include "platform/controls/usual_pointer_dialogs.h"

#include "platform/controls/busy_cursor.h"

namespace platform {

MessageResult UsualPointerDialogs::messageBox(const QString& text, const QString& title, MessageButtons buttons,
                                              MessageIcon icon)
{
    const UsualPointer pointer;
    return boxes_.messageBox(text, title, buttons, icon);
}

std::optional<QString> UsualPointerDialogs::inputBox(const QString& prompt, const QString& title,
                                                     const QString& defaultText)
{
    const UsualPointer pointer;
    return boxes_.inputBox(prompt, title, defaultText);
}

} // namespace platform
