#include "gallery/gallery_layout.h"

#include <gtest/gtest.h>

namespace {

// The designed cell is a 110 x 170 picture in its border, 1710 x 2610 twips, with 120 twips between cells;
// the side panel is 1215 twips wide.
constexpr int W = 1710;
constexpr int H = 2610;

TEST(GalleryLayout, GridsOfTheDesignedWindowsAndViewAmounts)
{
    struct Row {
        const char* name;
        int width, height, sets, viewAmount;
        int columns, rows, lastGrid, lastShown, maximum, scrollerLeft, scrollerHeight, panelLeft;
    };
    // clang-format off
    const Row rows[] = {
        {"CreatedWindowThreeSets",           5280,  6000,    3, 0,  2,  2,   3,   2,  0,  3540,  5220,  3915},
        {"CreatedWindowFourSetsFitExactly",  5280,  6000,    4, 0,  2,  2,   3,   3,  0,  3540,  5220,  3915},
        {"NineSetsReachTheFifthRow",         5280,  6000,    9, 0,  2,  2,   3,   3,  3,  3540,  5220,  3915},
        {"ElevenSets",                       5280,  6000,   11, 0,  2,  2,   3,   3,  4,  3540,  5220,  3915},
        {"NoSets",                           5280,  6000,    0, 0,  2,  2,   3,   0,  0,  3540,  5220,  3915},
        {"TooSmallForOneCellStillHasOne",     900,   900,    5, 0,  1,  1,   0,   0,  4,  1830,  2610,  2205},
        {"ViewAmountOne",                    3165,  2730,   50, 1,  1,  1,   0,   0, 49,  1830,  2610,  2205},
        {"ViewAmountTwo",                    4995,  5460,   50, 2,  2,  2,   3,   3, 23,  3540,  5220,  3915},
        {"ViewAmountThree",                  6825,  8190,   50, 3,  3,  3,   8,   8, 14,  5250,  7830,  5625},
        {"ViewAmountFour",                   8655, 10920,  100, 4,  4,  4,  15,  15, 21,  6960, 10440,  7335},
        {"MoreThanThirtyTwoCells",          60090, 45585, 1000, 0, 32, 16, 511, 511, 16, 54840, 41760, 55215},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const gallery::GridLayout grid = gallery::layoutGrid(r.width, r.height, W, H, r.sets);
        EXPECT_EQ((std::vector{grid.columnCount, grid.rowCount, grid.lastGridCell, grid.lastShownCell,
                               grid.scrollMaximum, grid.pageStep, grid.sidePanelLeft}),
                  (std::vector{r.columns, r.rows, r.lastGrid, r.lastShown, r.maximum, r.columns, r.panelLeft}));
        EXPECT_EQ(grid.scroller, (platform::TwipsRect{r.scrollerLeft, 120, 255, r.scrollerHeight}));
        if (r.viewAmount) {
            EXPECT_EQ(std::pair(gallery::viewAmountSize(r.viewAmount, W, H, 1215).width,
                                gallery::viewAmountSize(r.viewAmount, W, H, 1215).height),
                      std::pair(r.width, r.height));
        }
    }
    // Cells stand row by row from the top left.
    EXPECT_EQ(gallery::cellRect(5, 4, W, H), (platform::TwipsRect{1830, 2730, W, H}));
    EXPECT_EQ(gallery::cellRect(2, 3, W, H), (platform::TwipsRect{3540, 120, W, H}));
}

} // namespace
