#include "gallery/gallery_layout.h"

#include <ostream>

#include <gtest/gtest.h>

namespace {

// The designed cell is a 110 x 170 picture in its border, 1710 x 2610 twips, with 120 twips between cells;
// the side panel is 1215 twips wide.
constexpr int W = 1710, H = 2610;

struct Window {
    int width, height, sets;
    int viewAmount; // that sizes the window, or 0
};
struct Grid {
    int columns, rows, lastGridCell, lastShownCell, scrollMaximum;
};
struct Places {
    int scrollerLeft, scrollerHeight, panelLeft;
};
struct GridRow {
    const char* name;
    Window window;
    Grid grid;
    Places places;
};
std::ostream& operator<<(std::ostream& out, const GridRow& row)
{
    return out << row.name;
}
constexpr GridRow grids[] = {
    {"ThreeSetsLeaveACellBlank", {5280, 6000, 3, 0}, {2, 2, 3, 2, 0}, {3540, 5220, 3915}},
    {"NoSets", {5280, 6000, 0, 0}, {2, 2, 3, 0, 0}, {3540, 5220, 3915}},
    {"SetsFillingTheGridNeedNoScrolling", {5280, 6000, 4, 0}, {2, 2, 3, 3, 0}, {3540, 5220, 3915}},
    {"OneSetMoreNeedsARowOfScrolling", {5280, 6000, 5, 0}, {2, 2, 3, 3, 1}, {3540, 5220, 3915}},
    {"NineSetsScrollThreeRows", {5280, 6000, 9, 0}, {2, 2, 3, 3, 3}, {3540, 5220, 3915}},
    {"ATinyWindowHoldsOneCell", {900, 900, 5, 0}, {1, 1, 0, 0, 4}, {1830, 2610, 2205}},
    {"ViewAmountOne", {3165, 2730, 50, 1}, {1, 1, 0, 0, 49}, {1830, 2610, 2205}},
    {"ViewAmountTwo", {4995, 5460, 50, 2}, {2, 2, 3, 3, 23}, {3540, 5220, 3915}},
    {"ViewAmountFour", {8655, 10920, 100, 4}, {4, 4, 15, 15, 21}, {6960, 10440, 7335}},
    {"AHugeWindow", {60090, 45585, 1000, 0}, {32, 16, 511, 511, 16}, {54840, 41760, 55215}},
};

class GalleryLayout : public testing::TestWithParam<GridRow> {};

TEST_P(GalleryLayout, GridOfTheWindowOrOfTheViewAmountThatSizesIt)
{
    const auto& [name, window, grid, places] = GetParam();
    const gallery::GridLayout g = gallery::layoutGrid(window.width, window.height, W, H, window.sets);
    if (window.viewAmount != 0) {
        const gallery::OuterSize size = gallery::viewAmountSize(window.viewAmount, W, H, 1215);
        EXPECT_EQ(std::pair(size.width, size.height), std::pair(window.width, window.height));
    }
    EXPECT_EQ(std::vector({g.columnCount, g.rowCount, g.lastGridCell, g.lastShownCell, g.scrollMaximum}),
              std::vector({grid.columns, grid.rows, grid.lastGridCell, grid.lastShownCell, grid.scrollMaximum}));
    EXPECT_EQ(std::vector(
                  {g.scroller.left, g.scroller.height, g.sidePanelLeft, g.pageStep, g.scroller.top, g.scroller.width}),
              std::vector({places.scrollerLeft, places.scrollerHeight, places.panelLeft, grid.columns, 120, 255}));
}
INSTANTIATE_TEST_SUITE_P(Windows, GalleryLayout, testing::ValuesIn(grids),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GalleryCells, StandRowByRowFromTheTopLeft)
{
    EXPECT_EQ(gallery::cellRect(5, 4, W, H), (platform::TwipsRect{1830, 2730, W, H}));
    EXPECT_EQ(gallery::cellRect(2, 3, W, H), (platform::TwipsRect{3540, 120, W, H}));
}

} // namespace
