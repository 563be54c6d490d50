#include "gallery/gallery_layout.h"

#include <algorithm>

namespace gallery {

GridLayout layoutGrid(int windowWidth, int windowHeight, int cellWidth, int cellHeight, int setCount)
{
    GridLayout grid;
    // A window too small for one cell still gets one, so nothing divides by zero.
    grid.columnCount = std::max(1, windowWidth / (cellWidth + 120));
    grid.rowCount = std::max(1, windowHeight / (cellHeight + 120));
    grid.scroller = {grid.columnCount * cellWidth + 120, 120, ScrollerWidth, grid.rowCount * cellHeight};
    grid.sidePanelLeft = grid.scroller.left + grid.scroller.width + 120;

    const int cells = grid.rowCount * grid.columnCount;
    // Enough rows to reach the last set: with 9 sets on a 2 x 2 grid the ninth must be reachable.
    const int rowsOfSets = (setCount + grid.columnCount - 1) / grid.columnCount;
    grid.scrollMaximum = std::max(0, rowsOfSets - grid.rowCount);
    grid.pageStep = grid.columnCount;
    grid.lastGridCell = cells - 1;
    grid.lastShownCell = std::max(0, std::min(grid.lastGridCell, setCount - 1));
    return grid;
}

platform::TwipsRect cellRect(int cell, int columnCount, int cellWidth, int cellHeight)
{
    const int column = cell % columnCount;
    const int row = cell / columnCount;
    return {cellWidth * column + 120, cellHeight * row + 120, cellWidth, cellHeight};
}

OuterSize viewAmountSize(int amount, int cellWidth, int cellHeight, int label3Width)
{
    return {(cellWidth + 120) * amount + label3Width + 120, (cellHeight + 120) * amount};
}

} // namespace gallery
