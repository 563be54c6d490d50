#pragma once

#include <optional>

#include <QString>

class QWidget;

namespace platform {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Exclamation };
enum class MessageResult { Ok, Yes, No };

// Modal boxes behind an interface, so that tests can answer them from a script and see every box shown.
// Over every box the user sees the usual pointer, also when a busy handler shows it.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    MessageResult messageBox(const QString& text, const QString& title, MessageButtons buttons, MessageIcon icon);
    // The typed text; nothing when the user cancels or closes the box.
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText);

protected:
    virtual MessageResult showMessageBox(const QString& text, const QString& title, MessageButtons buttons,
                                         MessageIcon icon) = 0;
    virtual std::optional<QString> showInputBox(const QString& prompt, const QString& title,
                                                const QString& defaultText) = 0;
};

class QtDialogs final : public Dialogs {
protected:
    // Boxes are centred on and modal to the active window of the application.
    MessageResult showMessageBox(const QString& text, const QString& title, MessageButtons buttons,
                                 MessageIcon icon) override;
    std::optional<QString> showInputBox(const QString& prompt, const QString& title,
                                        const QString& defaultText) override;
};

} // namespace platform
