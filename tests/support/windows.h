#pragma once

#include <QApplication>
#include <QCursor>
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

// The pointer over our windows: "busy" for the wait cursor, "usual" when nothing overrides it.
inline QString pointerShown()
{
    const QCursor* shown = QGuiApplication::overrideCursor();
    return QString(!shown ? "usual" : shown->shape() == Qt::WaitCursor ? "busy" : "other");
}

} // namespace testsupport
