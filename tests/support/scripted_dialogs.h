#pragma once

#include <ostream>
#include <tuple>

#include <QQueue>
#include <QString>
#include <QVector>

#include "platform/controls/dialogs.h"

namespace testsupport {

// A box as the user meets it, compared whole.
struct ShownBox {
    QString text;
    QString title;
    platform::MessageButtons buttons = platform::MessageButtons::Ok;
    platform::MessageIcon icon = platform::MessageIcon::None;
    bool isInput = false;
    QString defaultText;

    static ShownBox message(const QString& text, const QString& title,
                            platform::MessageButtons buttons = platform::MessageButtons::Ok,
                            platform::MessageIcon icon = platform::MessageIcon::None)
    {
        return {text, title, buttons, icon, false, QString()};
    }
    static ShownBox input(const QString& prompt, const QString& title, const QString& defaultText)
    {
        return {prompt, title, platform::MessageButtons::Ok, platform::MessageIcon::None, true, defaultText};
    }

    friend bool operator==(const ShownBox& a, const ShownBox& b)
    {
        return std::tie(a.text, a.title, a.buttons, a.icon, a.isInput, a.defaultText) ==
               std::tie(b.text, b.title, b.buttons, b.icon, b.isInput, b.defaultText);
    }
    friend void PrintTo(const ShownBox& box, std::ostream* out)
    {
        *out << (box.isInput ? "input \"" : "message \"") << box.title.toStdString() << "\": \""
             << box.text.toStdString() << '"' << (box.buttons == platform::MessageButtons::YesNo ? " [Yes/No]" : "")
             << (box.icon == platform::MessageIcon::Exclamation ? " (!)" : "");
        if (box.isInput)
            *out << " {" << box.defaultText.toStdString() << '}';
    }
};

// Answers boxes from a queue and records every box shown, so tests never block.
// A message box with no scripted answer is answered with OK (or No for Yes/No); an input box is cancelled.
class ScriptedDialogs final : public platform::Dialogs {
public:
    void queueAnswer(platform::MessageResult answer) { answers_.enqueue(answer); }
    void queueInput(const std::optional<QString>& text) { inputs_.enqueue(text); }

    const QVector<ShownBox>& shown() const { return shown_; }
    void clear() { shown_.clear(); }

    platform::MessageResult messageBox(const QString& text, const QString& title, platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;

private:
    QQueue<platform::MessageResult> answers_;
    QQueue<std::optional<QString>> inputs_;
    QVector<ShownBox> shown_;
};

} // namespace testsupport
