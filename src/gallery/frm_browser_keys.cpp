#include "gallery/frm_browser.h"

#include <algorithm>

#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>

#include "platform/controls/image_box.h"

// The cells' keys, and the notice's first paint, which the same filter sees.

bool frmBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label4) {
        noticeEvent(*event);
        return false;
    }
    if (!opened_)
        return false;
    const int index = watched->property("index").toInt();
    if (event->type() == QEvent::FocusIn) {
        cellFocused(index, static_cast<QFocusEvent*>(event)->reason());
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    return cellKey(index, *static_cast<QKeyEvent*>(event));
}

void frmBrowser::noticeEvent(const QEvent& event)
{
    // Called before the notice paints; the opening goes on from the event loop, once this paint has
    // reached the screen.
    if (event.type() == QEvent::Paint && !opened_ && !openingQueued_) {
        openingQueued_ = true;
        QMetaObject::invokeMethod(this, &frmBrowser::finishOpening, Qt::QueuedConnection);
    }
}

void frmBrowser::cellFocused(int index, Qt::FocusReason reason)
{
    // A cell reached by keys is previewed, as the cell under the pointer is; focus coming back
    // with the window or after a menu moves nothing. A hidden cell hands its focus on as Tab would.
    if (!programFocus_ &&
        (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::OtherFocusReason))
        Image1_MouseMove(index);
}

bool frmBrowser::cellKey(int index, const QKeyEvent& key)
{
    if (key.modifiers() & ~Qt::KeypadModifier)
        return false;
    const int columns = std::max(1, state_.ColumnCount);
    switch (key.key()) {
    case Qt::Key_Space:
        Image1_Click(index);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // As a double-click: the click selects, the double-click toggles the large view.
        Image1_Click(index);
        Image1_DblClick();
        return true;
    case Qt::Key_Left:
        return focusCell(index - 1);
    case Qt::Key_Right:
        return focusCell(index + 1);
    case Qt::Key_Up:
        return focusCell(index - columns);
    case Qt::Key_Down:
        return focusCell(index + columns);
    case Qt::Key_PageUp:
        Scroller->triggerAction(QAbstractSlider::SliderPageStepSub);
        return true;
    case Qt::Key_PageDown:
        Scroller->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return true;
    case Qt::Key_Home:
        Scroller->setValue(Scroller->minimum());
        return focusCell(0);
    case Qt::Key_End: {
        Scroller->setValue(Scroller->maximum());
        int last = state_.LastShownCell;
        while (last > 0 && state_.CellLargeName[std::size_t(last)].isEmpty())
            --last;
        return focusCell(last);
    }
    default:
        return false;
    }
}

bool frmBrowser::focusCell(int index)
{
    // Past the page's edge the grid scrolls a row and the focus stays in line with the set it was on.
    const int columns = std::max(1, state_.ColumnCount);
    if (index > state_.LastShownCell && Scroller->value() < Scroller->maximum()) {
        Scroller->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        index -= columns;
    } else if (index < 0 && Scroller->value() > Scroller->minimum()) {
        Scroller->triggerAction(QAbstractSlider::SliderSingleStepSub);
        index += columns;
    }
    if (index >= 0 && index <= state_.LastShownCell)
        Image1[std::size_t(index)]->setFocus(Qt::OtherFocusReason);
    return true;
}
