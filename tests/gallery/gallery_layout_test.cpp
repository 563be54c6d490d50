#include "gallery/gallery_layout.h"

#include <gtest/gtest.h>

namespace {

constexpr int W = 1710; // the created cell: a 110 x 170 picture with its border
constexpr int H = 2610;

struct GridCase {
    const char* name;
    int width, height, sets;
    int columns, rows, lastShown, maximum;
};

TEST(GalleryLayout, GridForWindowSizeAndNumberOfSets)
{
    // clang-format off
    const GridCase cases[] = {
        {"CreatedWindowThreeSets", 5280, 6000, 3, 2, 2, 2, 0},
        {"CreatedWindowFourSetsFitExactly", 5280, 6000, 4, 2, 2, 3, 0},
        {"NineSetsReachTheLastRow", 5280, 6000, 9, 2, 2, 3, 3},
        {"ElevenSets", 5280, 6000, 11, 2, 2, 3, 4},
        {"FourByFour", 8655, 10920, 100, 4, 4, 15, 21},
        {"TooSmallForOneCellStillHasOne", 900, 900, 5, 1, 1, 0, 4},
        {"NoSets", 5280, 6000, 0, 2, 2, 0, 0},
        {"MoreThanThirtyTwoCells", 60090, 45585, 1000, 32, 16, 511, 16},
    };
    // clang-format on
    for (const GridCase& c : cases) {
        SCOPED_TRACE(c.name);
        const gallery::GridLayout grid = gallery::layoutGrid(c.width, c.height, W, H, c.sets);
        EXPECT_EQ(grid.columnCount, c.columns);
        EXPECT_EQ(grid.rowCount, c.rows);
        EXPECT_EQ(grid.lastGridCell, c.columns * c.rows - 1);
        EXPECT_EQ(grid.lastShownCell, c.lastShown);
        EXPECT_EQ(grid.scrollMaximum, c.maximum);
        EXPECT_EQ(grid.pageStep, c.columns);
    }
}

TEST(GalleryLayout, ScrollerAndSidePanelFollowTheLastColumn)
{
    const gallery::GridLayout grid = gallery::layoutGrid(5280, 6000, W, H, 9);
    EXPECT_EQ(grid.scroller, (platform::TwipsRect{3540, 120, 255, 5220}));
    EXPECT_EQ(grid.sidePanelLeft, 3915);
    EXPECT_EQ(gallery::cellRect(5, 4, W, H), (platform::TwipsRect{1830, 2730, W, H}));
    EXPECT_EQ(gallery::cellRect(3, 2, W, H), (platform::TwipsRect{1830, 2730, W, H}));
}

TEST(GalleryLayout, ViewAmountGivesAnNByNGrid)
{
    const std::pair<int, int> sizes[] = {{3165, 2730}, {4995, 5460}, {6825, 8190}, {8655, 10920}};
    for (int amount = 1; amount <= 4; ++amount) {
        SCOPED_TRACE(amount);
        const gallery::OuterSize size = gallery::viewAmountSize(amount, W, H, 1215);
        EXPECT_EQ(size.width, sizes[amount - 1].first);
        EXPECT_EQ(size.height, sizes[amount - 1].second);
        const gallery::GridLayout grid = gallery::layoutGrid(size.width, size.height, W, H, 50);
        EXPECT_EQ(grid.columnCount, amount);
        EXPECT_EQ(grid.rowCount, amount);
    }
}

} // namespace
