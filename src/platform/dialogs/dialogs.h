#pragma once

#include <optional>

#include <QString>

namespace platform {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Exclamation };
enum class MessageResult { Ok, Yes, No };

// Modal boxes behind an interface, so that tests can answer them from a script and see every box shown.
// It needs no widgets: what decides what the user is told can be built and tested without them.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MessageResult messageBox(const QString& text, const QString& title, MessageButtons buttons,
                                     MessageIcon icon) = 0;
    // The typed text; nothing when the user cancels or closes the box.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;
};

} // namespace platform
