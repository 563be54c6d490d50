#include "support/scripted_dialogs.h"

namespace testsupport {

platform::MessageResult ScriptedDialogs::messageBox(const QString& text, const QString& title,
                                                    platform::MessageButtons buttons, platform::MessageIcon icon)
{
    shown_.append({text, title, buttons, icon, false, QString(), witness ? witness() : QString()});
    if (!answers_.isEmpty())
        return answers_.dequeue();
    return buttons == platform::MessageButtons::YesNo ? platform::MessageResult::No : platform::MessageResult::Ok;
}

std::optional<QString> ScriptedDialogs::inputBox(const QString& prompt, const QString& title,
                                                 const QString& defaultText)
{
    shown_.append({prompt, title, platform::MessageButtons::Ok, platform::MessageIcon::None, true, defaultText,
                   witness ? witness() : QString()});
    return inputs_.isEmpty() ? std::nullopt : inputs_.dequeue();
}

} // namespace testsupport
