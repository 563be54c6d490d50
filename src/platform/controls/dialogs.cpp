#include "platform/controls/dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace platform {

namespace {
// The window the user is working in: boxes are modal to it and centred on it.
QWidget* askingWindow()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    if (QWidget* focus = QApplication::focusWidget())
        return focus->window();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && !window->windowFlags().testFlag(Qt::Tool))
            return window;
    return nullptr;
}
} // namespace

MessageResult QtDialogs::messageBox(const QString& text, const QString& title, MessageButtons buttons, MessageIcon icon)
{
    QMessageBox box(askingWindow());
    // Texts carry file names, which must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setWindowTitle(title);
    box.setIcon(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        // Yes/No boxes confirm something that cannot be undone: Enter must not say yes.
        box.setDefaultButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int pressed = box.exec();
    if (buttons == MessageButtons::Ok)
        return MessageResult::Ok;
    return pressed == QMessageBox::Yes ? MessageResult::Yes : MessageResult::No;
}

std::optional<QString> QtDialogs::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    bool accepted = false;
    const QString text =
        QInputDialog::getText(askingWindow(), title, prompt, QLineEdit::Normal, defaultText, &accepted);
    if (!accepted)
        return std::nullopt;
    return text;
}

} // namespace platform
