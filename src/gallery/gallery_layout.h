#pragma once

#include "platform/controls/twips.h"

namespace gallery {

// The gallery window's frame, title bar and menu bar around its client area.
inline constexpr int FrameWidth = 90;
inline constexpr int FrameHeight = 585;
inline constexpr int CreatedOuterWidth = 5190 + FrameWidth;
inline constexpr int CreatedOuterHeight = 5415 + FrameHeight;
inline constexpr int ScrollerWidth = 255;

// Everything a layout of the gallery decides, from the window's outer size, the cell size and the
// number of sets.
struct GridLayout {
    int columnCount = 1;
    int rowCount = 1;
    int lastGridCell = 0;
    int lastShownCell = 0;
    platform::TwipsRect scroller;
    int scrollMaximum = 0;
    int pageStep = 1;
    int sidePanelLeft = 0;
};

GridLayout layoutGrid(int windowWidth, int windowHeight, int cellWidth, int cellHeight, int setCount);

// Where cell k (from 1 on) stands; cell 0 keeps its created place, which is the same.
platform::TwipsRect cellRect(int cell, int columnCount, int cellWidth, int cellHeight);

// The outer size that shows n columns and n rows.
struct OuterSize {
    int width = 0;
    int height = 0;
};
OuterSize viewAmountSize(int amount, int cellWidth, int cellHeight, int label3Width);

} // namespace gallery
