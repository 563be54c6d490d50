#include "gallery/gallery_layout.h"

#include <gtest/gtest.h>

namespace {

// The designed cell is a 110 x 170 picture in its border, 1710 x 2610 twips, with 120 twips between cells;
// the side panel is 1215 twips wide.
constexpr int W = 1710, H = 2610;

TEST(GalleryLayout, GridsOfTheDesignedWindowsAndViewAmounts)
{
    // Window width, height, sets and the view amount that sizes it (0 none); then columns (also the page step),
    // rows, last grid cell, last shown cell, scroll maximum, the scroller's left and height, the panel's left.
    // clang-format off
    const std::vector<int> rows[] = {
        {5280, 6000, 3, 0, 2, 2, 3, 2, 0, 3540, 5220, 3915}, {5280, 6000, 0, 0, 2, 2, 3, 0, 0, 3540, 5220, 3915},
        // Sets that fill the grid exactly need no scrolling, one more a row of it.
        {5280, 6000, 4, 0, 2, 2, 3, 3, 0, 3540, 5220, 3915}, {5280, 6000, 5, 0, 2, 2, 3, 3, 1, 3540, 5220, 3915},
        {5280, 6000, 9, 0, 2, 2, 3, 3, 3, 3540, 5220, 3915}, {900, 900, 5, 0, 1, 1, 0, 0, 4, 1830, 2610, 2205},
        {3165, 2730, 50, 1, 1, 1, 0, 0, 49, 1830, 2610, 2205}, {4995, 5460, 50, 2, 2, 2, 3, 3, 23, 3540, 5220, 3915},
        {8655, 10920, 100, 4, 4, 4, 15, 15, 21, 6960, 10440, 7335},
        {60090, 45585, 1000, 0, 32, 16, 511, 511, 16, 54840, 41760, 55215},
    };
    // clang-format on
    for (const std::vector<int>& r : rows) {
        const gallery::GridLayout g = gallery::layoutGrid(r[0], r[1], W, H, r[2]);
        const gallery::OuterSize size = gallery::viewAmountSize(r[3], W, H, 1215);
        // A view amount's window is the one the row lays out.
        EXPECT_EQ((std::vector{r[3] ? size.width : r[0], r[3] ? size.height : r[1], r[2], r[3], g.columnCount,
                               g.rowCount, g.lastGridCell, g.lastShownCell, g.scrollMaximum, g.scroller.left,
                               g.scroller.height, g.sidePanelLeft}),
                  r);
        EXPECT_EQ(std::tuple(g.pageStep, g.scroller.top, g.scroller.width), std::tuple(r[4], 120, 255));
    }
    // Cells stand row by row from the top left.
    EXPECT_EQ(gallery::cellRect(5, 4, W, H), (platform::TwipsRect{1830, 2730, W, H}));
    EXPECT_EQ(gallery::cellRect(2, 3, W, H), (platform::TwipsRect{3540, 120, W, H}));
}

} // namespace
