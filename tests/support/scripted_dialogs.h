#pragma once

#include <functional>

#include <QQueue>
#include <QStringList>

#include "platform/dialogs/dialogs.h"

namespace testsupport {

// A box as the user meets it, with what the test's witness saw of the window while it was up.
struct ShownBox {
    QString text;
    QString title;
    platform::MessageButtons buttons = platform::MessageButtons::Ok;
    platform::MessageIcon icon = platform::MessageIcon::None;
    bool isInput = false;
    QString defaultText;
    QString witnessed;

    // The whole record on one line, so that a test compares every field at once.
    QString line() const
    {
        const QString kind = buttons == platform::MessageButtons::YesNo ? "YesNo" : "Ok";
        const QString mark = icon == platform::MessageIcon::Exclamation ? "!" : "";
        return QStringList{title, text, kind, mark, isInput ? "input " + defaultText : QString(), witnessed}.join('|');
    }
};

// Answers boxes from a queue and records every box shown, so tests never block.
// A message box with no scripted answer is answered with OK (or No for Yes/No); an input box is cancelled.
class ScriptedDialogs final : public platform::Dialogs {
public:
    void queueAnswer(platform::MessageResult answer) { answers_.enqueue(answer); }
    void queueInput(const std::optional<QString>& text) { inputs_.enqueue(text); }

    const QList<ShownBox>& shown() const { return shown_; }
    QStringList lines() const
    {
        QStringList all;
        for (const ShownBox& box : shown_)
            all << box.line();
        return all;
    }
    void clear() { shown_.clear(); }
    // For a caller that cannot tell whether its box will come up.
    void dropUnanswered()
    {
        answers_.clear();
        inputs_.clear();
    }
    std::function<QString()> witness; // read whenever a box comes up

    platform::MessageResult messageBox(const QString& text, const QString& title, platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;

private:
    QQueue<platform::MessageResult> answers_;
    QQueue<std::optional<QString>> inputs_;
    QList<ShownBox> shown_;
};

} // namespace testsupport
