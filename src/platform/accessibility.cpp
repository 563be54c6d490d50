#include "platform/accessibility.h"

#include <QAccessibleWidget>
#include <QLabel>
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

void nameControl(QWidget* control, const QString& name)
{
    control->setAccessibleName(name);
    auto* label = new QLabel(name, control->parentWidget());
    label->setObjectName(control->objectName() + QStringLiteral("Label"));
    label->setBuddy(control);
    label->hide();
}

} // namespace platform
