#include "platform/controls/busy_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform {

namespace {
bool busyOnTop()
{
    const QCursor* top = QGuiApplication::overrideCursor();
    return top != nullptr && top->shape() == Qt::WaitCursor;
}
} // namespace

// Qt's X11 plugin sends a window's new cursor to the server and flushes at once, so the cursor shows
// although the handler keeps the event thread from the event loop.
BusyCursor::BusyCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

UsualPointer::UsualPointer()
{
    for (; busyOnTop(); ++lifted_)
        QGuiApplication::restoreOverrideCursor();
}

UsualPointer::~UsualPointer()
{
    for (int i = 0; i < lifted_; ++i)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

} // namespace platform
