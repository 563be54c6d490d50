#include "manager/manager_layout.h"

#include <gtest/gtest.h>

namespace platform {
void PrintTo(const TwipsRect& r, std::ostream* out)
{
    *out << r.left << ',' << r.top << ' ' << r.width << 'x' << r.height;
}
} // namespace platform

namespace {

using manager::Control;
using manager::ControlRects;
using manager::layoutManager;
constexpr int Width = manager::DesignOuterWidth, Height = manager::DesignOuterHeight;

// The normal window's places are pinned by the window's own test; here a bigger window or picture moves
// them. Extra width keeps the button column centred and goes half to each pane, a quarter to each list;
// extra height goes to the lists and pushes what is below them down.
struct Growth {
    Control control;
    int left, width; // quarters of the extra width
    int top, height; // of the extra height
};
const Growth growths[] = {
    {Control::Label3, 0, 2, 0, 0},       {Control::Label4, 2, 2, 0, 0},      {Control::Files, 0, 1, 0, 1},
    {Control::Directory, 1, 1, 0, 1},    {Control::Drive1, 1, 1, 1, 0},      {Control::BrowseButton, 2, 0, 0, 0},
    {Control::SaveButton, 2, 0, 0, 0},   {Control::MoveButton, 2, 0, 0, 0},  {Control::DeleteButton, 2, 0, 0, 0},
    {Control::RenameButton, 2, 0, 0, 0}, {Control::ExitButton, 2, 0, 0, 0},  {Control::AboutButton, 2, 0, 1, 0},
    {Control::Files2, 2, 1, 0, 1},       {Control::Directory2, 3, 1, 0, 1},  {Control::Drive2, 3, 1, 1, 0},
    {Control::Label8, 0, 0, 1, 0},       {Control::Label9, 0, 0, 1, 0},      {Control::Label5, 0, 0, 1, 0},
    {Control::Image1, 0, 0, 1, 0},       {Control::Image2, 0, 0, 1, 0},      {Control::Picture1, 0, 0, 0, 0},
    {Control::Label6, 0, 0, 1, 0},       {Control::Label1, 0, 4, 1, 0},      {Control::Label7, 0, 0, 1, 0},
    {Control::Label2, 0, 4, 1, 0},       {Control::GenderCombo, 0, 0, 1, 0}, {Control::TypeCombo, 0, 0, 1, 0},
};

TEST(ManagerLayout, ABiggerWindowSpreadsThePanesAndPushesThePreviewsDown)
{
    const ControlRects normal = layoutManager(manager::designRects(), Width, Height);
    for (const auto& [quarter, extraHeight] : {std::pair{1000, 0}, {0, 777}, {4611, 8700}}) {
        const ControlRects grown = layoutManager(manager::designRects(), Width + 4 * quarter, Height + extraHeight);
        for (const Growth& g : growths) {
            const platform::TwipsRect n = normal[g.control];
            EXPECT_EQ(grown[g.control],
                      (platform::TwipsRect{n.left + g.left * quarter, n.top + g.top * extraHeight,
                                           n.width + g.width * quarter, n.height + g.height * extraHeight}))
                << manager::controlName(g.control) << " in a window " << quarter * 4 << " x " << extraHeight
                << " bigger";
        }
    }
}

TEST(ManagerLayout, ATallerPictureLiftsWhatIsAboveItAsAShorterWindowWould)
{
    ControlRects rects = manager::designRects();
    rects[Control::Image1].height += 2550;
    const ControlRects taller = layoutManager(rects, Width, Height);
    ControlRects shorterWindow = layoutManager(manager::designRects(), Width, Height - 2550);
    shorterWindow[Control::Image1].height += 2550;
    for (const Growth& g : growths)
        EXPECT_EQ(taller[g.control], shorterWindow[g.control]) << manager::controlName(g.control);
}

TEST(ManagerLayout, ATinyWindowHoldsEverySizeAndPositionAtZeroOrMore)
{
    for (const int size : {0, 1000, 3000}) {
        const ControlRects rects = layoutManager(manager::designRects(), size, size);
        for (const Growth& g : growths) {
            const platform::TwipsRect r = rects[g.control];
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.width >= 0 && r.height >= 0)
                << manager::controlName(g.control) << " in " << size << ": " << testing::PrintToString(r);
        }
    }
}

} // namespace
