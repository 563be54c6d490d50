#include "platform/controls/accessibility.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace platform {
namespace {

constexpr char RoleProperty[] = "accessibleWindowRole";

QAccessibleInterface* windowAccessible(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(RoleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Role(role.toInt()));
}

} // namespace

void setWindowRole(QWidget* window, QAccessible::Role role)
{
    [[maybe_unused]] static const bool registered = [] {
        QAccessible::installFactory(windowAccessible);
        return true;
    }();
    window->setProperty(RoleProperty, int(role));
}

namespace {

class EnterPresses final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key != Qt::Key_Return && key != Qt::Key_Enter) ||
            static_cast<QKeyEvent*>(event)->modifiers() & ~Qt::KeypadModifier)
            return false;
        static_cast<QPushButton*>(watched)->click();
        return true;
    }
};

} // namespace

void pressOnEnter(QPushButton* button)
{
    button->installEventFilter(new EnterPresses(button));
}

void describe(QPushButton* button, const QString& what, const QKeySequence& key)
{
    button->setToolTip(key.isEmpty() ? what
                                     : QStringLiteral("%1 (%2)").arg(what, key.toString(QKeySequence::NativeText)));
}

void nameControl(QWidget* control, const QString& name)
{
    control->setAccessibleName(name);
    auto* label = new QLabel(name, control->parentWidget());
    label->setObjectName(control->objectName() + QStringLiteral("Label"));
    label->setBuddy(control);
    label->hide();
}

} // namespace platform
