#pragma once

#include <QQueue>
#include <QString>
#include <QVector>

#include "platform/controls/dialogs.h"

namespace testsupport {

struct ShownBox {
    QString text;
    QString title;
    platform::MessageButtons buttons = platform::MessageButtons::Ok;
    platform::MessageIcon icon = platform::MessageIcon::None;
    bool isInput = false;
    QString defaultText;
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
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;

private:
    QQueue<platform::MessageResult> answers_;
    QQueue<std::optional<QString>> inputs_;
    QVector<ShownBox> shown_;
};

} // namespace testsupport
