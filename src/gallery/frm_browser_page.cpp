#include "gallery/frm_browser.h"

#include <algorithm>

#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>

#include "platform/controls/file_list_box.h"
#include "platform/controls/image_box.h"
#include "platform/controls/twips.h"

// The page: the grid laid out for the window's size, and the sets it shows as it scrolls.

using platform::pixelsToTwips;
using platform::twipsToPixels;

void frmBrowser::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    sizeHold_.noteResize();
    // A size the window manager chose (maximising) is measured; one we set is already laid out.
    const QSize client = centralWidget()->size();
    const QSize expected(twipsToPixels(outerWidth_ - gallery::FrameWidth),
                         twipsToPixels(outerHeight_ - gallery::FrameHeight));
    if (client == expected && laidOut_)
        return;
    if (client != expected) {
        outerWidth_ = pixelsToTwips(client.width()) + gallery::FrameWidth;
        outerHeight_ = pixelsToTwips(client.height()) + gallery::FrameHeight;
    }
    if (curtain_)
        curtain_->resize(client);
    Form_Resize();
}

void frmBrowser::Form_Resize()
{
    showNotice();
    // Until the notice has been on screen the pictures wait; the opening lays out the size the window
    // has by then.
    if (!opened_)
        return;
    // Hiding the focused cell passes the focus on; afterwards it goes back to the same set's cell. Read before
    // the scroll bar's new range can move the page.
    const QScopedValueRollback quiet(programFocus_, true);
    const std::optional<int> focusedSet = focusedCellSet();
    const platform::BusyCursor busy;
    // Painted now, before the pictures load.
    Label4->repaint();

    const QSize cellSize = cellTwips();
    const int sets = files_.listCount();
    const gallery::GridLayout grid =
        gallery::layoutGrid(outerWidth_, outerHeight_, cellSize.width(), cellSize.height(), sets);
    state_.ColumnCount = grid.columnCount;
    state_.RowCount = grid.rowCount;
    Scroller->setGeometry(grid.scroller.toPixels());
    for (QWidget* side : {static_cast<QWidget*>(Image2), static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
                          static_cast<QWidget*>(Label3), static_cast<QWidget*>(FullViewButton)})
        side->move(twipsToPixels(grid.sidePanelLeft), side->y());
    Scroller->setPageStep(grid.pageStep);
    // A lower maximum pulls the position into range and reports it, so TopIndex follows.
    Scroller->setMaximum(grid.scrollMaximum);
    state_.LastGridCell = grid.lastGridCell;

    for (int k = 1; k <= state_.LastShownCell; ++k)
        cell(k)->hide();
    state_.LastShownCell = 0;
    readPartners(grid.lastShownCell);
    fill_cell(0);
    for (int k = 1; k <= grid.lastShownCell; ++k) {
        state_.LastShownCell = k;
        // Cell 0's size, read again: filling it may have given it a picture of another size.
        const QSize now = cellTwips();
        cell(k)->setGeometry(gallery::cellRect(k, grid.columnCount, now.width(), now.height()).toPixels());
        cell(k)->show();
        fill_cell(k);
    }
    Label4->hide();
    laidOut_ = true;
    // The page once more, as show_page does; the directory was read for this layout a moment ago.
    fillPage();
    if (focusedSet && state_.LastShownCell >= 0)
        Image1[std::size_t(std::clamp(*focusedSet - state_.TopIndex, 0, state_.LastShownCell))]->setFocus(
            Qt::OtherFocusReason);
}

// Every cell has cell 0's size, which is its picture's.
QSize frmBrowser::cellTwips() const
{
    return {pixelsToTwips(Image1.front()->width()), pixelsToTwips(Image1.front()->height())};
}

std::optional<int> frmBrowser::focusedCellSet() const
{
    // The window's focus child, whether or not the window is active.
    const auto found = std::find(Image1.cbegin(), Image1.cend(), focusWidget());
    if (found == Image1.cend())
        return std::nullopt;
    return state_.TopIndex + int(found - Image1.cbegin());
}

void frmBrowser::showNotice()
{
    const QSize notice = Label4->size();
    Label4->move(twipsToPixels(outerWidth_) / 2 - notice.width() / 2,
                 twipsToPixels(outerHeight_) / 2 - notice.height() / 2);
    Label4->show();
    Label4->raise();
}

void frmBrowser::show_page()
{
    readPartners(state_.LastShownCell);
    fillPage();
}

void frmBrowser::fillPage()
{
    for (int k = 0; k <= state_.LastShownCell; ++k)
        fill_cell(k);
}

void frmBrowser::Scroller_Change()
{
    const platform::BusyCursor busy;
    state_.TopIndex = Scroller->value() * state_.ColumnCount;
    show_page();
}
