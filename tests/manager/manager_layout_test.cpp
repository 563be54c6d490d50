#include "manager/manager_layout.h"

#include <iterator>
#include <ostream>

#include <gtest/gtest.h>

namespace {

using manager::Control;
constexpr int Width = manager::DesignOuterWidth, Height = manager::DesignOuterHeight;

manager::ControlRects layout(int width, int height, int tallerPicture = 0)
{
    manager::ControlRects rects = manager::designRects();
    rects[Control::Image1].height += tallerPicture;
    return manager::layoutManager(rects, width, height);
}

// A bigger window moves the designed places. Extra width keeps the button column centred and goes half to each
// pane, a quarter to each list; extra height goes to the lists and pushes what is below them down.
enum Vertical { Stays, MovesDown, GrowsDown };
struct Growth {
    Control control;
    int leftQuarters, widthQuarters; // of the extra width
    Vertical vertical;
};
std::ostream& operator<<(std::ostream& out, const Growth& row)
{
    return out << manager::controlName(row.control);
}
constexpr Growth growths[] = {
    {Control::Label3, 0, 2, Stays},        {Control::Label4, 2, 2, Stays},
    {Control::Files, 0, 1, GrowsDown},     {Control::Directory, 1, 1, GrowsDown},
    {Control::Drive1, 1, 1, MovesDown},    {Control::BrowseButton, 2, 0, Stays},
    {Control::SaveButton, 2, 0, Stays},    {Control::MoveButton, 2, 0, Stays},
    {Control::DeleteButton, 2, 0, Stays},  {Control::RenameButton, 2, 0, Stays},
    {Control::ExitButton, 2, 0, Stays},    {Control::AboutButton, 2, 0, MovesDown},
    {Control::Files2, 2, 1, GrowsDown},    {Control::Directory2, 3, 1, GrowsDown},
    {Control::Drive2, 3, 1, MovesDown},    {Control::Label8, 0, 0, MovesDown},
    {Control::Label9, 0, 0, MovesDown},    {Control::Label5, 0, 0, MovesDown},
    {Control::Image1, 0, 0, MovesDown},    {Control::Image2, 0, 0, MovesDown},
    {Control::Picture1, 0, 0, Stays},      {Control::Label6, 0, 0, MovesDown},
    {Control::Label1, 0, 4, MovesDown},    {Control::Label7, 0, 0, MovesDown},
    {Control::Label2, 0, 4, MovesDown},    {Control::GenderCombo, 0, 0, MovesDown},
    {Control::TypeCombo, 0, 0, MovesDown},
};
static_assert(std::size(growths) == manager::ControlCount, "a row for every control");

class ManagerLayout : public testing::TestWithParam<Growth> {};

TEST_P(ManagerLayout, ABiggerWindowSpreadsThePanesAndATallerPictureLiftsWhatIsAboveIt)
{
    const Growth& row = GetParam();
    const platform::TwipsRect normal = layout(Width, Height)[row.control];
    for (const auto& [quarter, extra] : {std::pair{1000, 0}, {0, 777}, {4611, 8700}}) {
        EXPECT_EQ(layout(Width + 4 * quarter, Height + extra)[row.control],
                  (platform::TwipsRect{normal.left + row.leftQuarters * quarter,
                                       normal.top + (row.vertical == MovesDown ? extra : 0),
                                       normal.width + row.widthQuarters * quarter,
                                       normal.height + (row.vertical == GrowsDown ? extra : 0)}))
            << "in a window " << quarter * 4 << " x " << extra << " bigger";
    }
    // As a shorter window would, but for the picture's own height.
    platform::TwipsRect lifted = layout(Width, Height - 2550)[row.control];
    lifted.height += row.control == Control::Image1 ? 2550 : 0;
    EXPECT_EQ(layout(Width, Height, 2550)[row.control], lifted);
}
INSTANTIATE_TEST_SUITE_P(Controls, ManagerLayout, testing::ValuesIn(growths),
                         [](const auto& info) { return manager::controlName(info.param.control); });

} // namespace
