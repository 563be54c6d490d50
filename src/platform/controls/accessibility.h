#pragma once

#include <QAccessible>
#include <QString>

class QKeySequence;
class QPushButton;
class QWidget;

namespace platform {

// What a screen reader calls a window of ours: a frame, a dialog. Must be set before the window shows.
void setWindowRole(QWidget* window, QAccessible::Role role);

// Ties a name to a control that has no caption of its own. Screen readers on Linux read a drop-down
// list by its current entry and look for what it is in the label that labels it, so the control gets
// such a label, never shown; its accessible name is set as well for other platforms.
void nameControl(QWidget* control, const QString& name);

// Enter on a focused button presses it, as Space does; outside dialogs Qt leaves Enter unused.
void pressOnEnter(QPushButton* button);

// A tooltip that says what a button does and, where it has one, the key that does the same.
void describe(QPushButton* button, const QString& what, const QKeySequence& key = {});

} // namespace platform
