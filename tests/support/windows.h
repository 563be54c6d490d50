#pragma once

#include <QApplication>
#include <QWidget>

namespace testsupport {

// The shown top-level window of that name, as its class, or null: windows open and close by
// themselves, so tests look them up rather than keep pointers.
template <typename Window = QWidget> Window* visibleWindow(const char* objectName)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->objectName() == QLatin1String(objectName))
            return qobject_cast<Window*>(widget);
    return nullptr;
}

} // namespace testsupport
