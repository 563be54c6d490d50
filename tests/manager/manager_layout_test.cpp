#include "manager/manager_layout.h"

#include <gtest/gtest.h>

namespace {

using manager::Control;
using platform::TwipsRect;

struct Expected {
    Control control;
    TwipsRect rect;
};

void expectPlaced(const manager::ControlRects& rects, const std::vector<Expected>& expected)
{
    const auto text = [](const TwipsRect& r) {
        return ::testing::PrintToString(std::vector{r.left, r.top, r.width, r.height});
    };
    for (const Expected& e : expected)
        EXPECT_EQ(text(rects[e.control]), text(e.rect)) << manager::controlName(e.control);
}

TEST(ManagerLayout, NormalSizePlacesEveryControlAsDesigned)
{
    const auto rects = manager::layoutManager(manager::designRects(), 10355, 7500);
    using C = Control;
    expectPlaced(rects, {
                            {C::Label3, {120, 120, 4090, 615}},         {C::Label4, {6025, 120, 4090, 615}},
                            {C::Files, {120, 735, 1985, 3300}},         {C::Directory, {2225, 735, 1985, 2865}},
                            {C::Drive1, {2225, 3720, 1985, 315}},       {C::Files2, {6025, 720, 1985, 3300}},
                            {C::Directory2, {8130, 720, 1985, 2865}},   {C::Drive2, {8130, 3720, 1985, 315}},
                            {C::BrowseButton, {4330, 360, 1575, 495}},  {C::SaveButton, {4330, 960, 1575, 495}},
                            {C::MoveButton, {4330, 1560, 1575, 495}},   {C::DeleteButton, {4330, 2160, 1575, 495}},
                            {C::RenameButton, {4330, 2760, 1575, 495}}, {C::ExitButton, {4330, 3360, 1575, 495}},
                            {C::AboutButton, {4330, 5475, 1575, 495}},  {C::Image1, {120, 4410, 1710, 2610}},
                            {C::Image2, {2280, 4410, 630, 960}},        {C::Label8, {240, 4155, 1410, 255}},
                            {C::Label9, {1920, 4155, 1290, 255}},       {C::Label5, {3360, 4155, 6855, 255}},
                            {C::Label6, {3360, 4410, 735, 255}},        {C::Label1, {4080, 4410, 6035, 255}},
                            {C::Label7, {3360, 4665, 735, 255}},        {C::Label2, {4080, 4665, 6035, 255}},
                            {C::GenderCombo, {3360, 5040, 1575, 315}},  {C::TypeCombo, {5040, 5040, 1575, 315}},
                            {C::Picture1, {2280, 5400, 570, 900}},
                        });
}

TEST(ManagerLayout, MaximisedWindowSpreadsPanesAndPushesPreviewsDown)
{
    // A 1920 x 1080 pixel screen.
    const auto rects = manager::layoutManager(manager::designRects(), 28800, 16200);
    using C = Control;
    expectPlaced(rects, {
                            {C::SaveButton, {13553, 960, 1575, 495}},
                            {C::Label4, {15248, 120, 13312, 615}},
                            {C::Files2, {15248, 720, 6596, 12000}},
                            {C::Directory2, {21964, 720, 6596, 11565}},
                            {C::Files, {120, 735, 6596, 12000}},
                            {C::Drive1, {6836, 12420, 6596, 315}},
                            {C::Image1, {120, 13110, 1710, 2610}},
                            {C::Label8, {240, 12855, 1410, 255}},
                            {C::Label1, {4080, 13110, 24480, 255}},
                            {C::GenderCombo, {3360, 13740, 1575, 315}},
                            {C::AboutButton, {13553, 14175, 1575, 495}},
                        });
}

TEST(ManagerLayout, LargerPictureLiftsThePreviewsAndShortensTheLists)
{
    auto rects = manager::designRects();
    rects[Control::Image1] = {120, 4440, 3360, 5160}; // a 220 x 340 picture with its border
    const auto laidOut = manager::layoutManager(rects, 10355, 7500);
    using C = Control;
    expectPlaced(laidOut, {
                              {C::Image1, {120, 1860, 3360, 5160}},
                              {C::Label8, {240, 1605, 1410, 255}},
                              {C::Files, {120, 735, 1985, 750}},
                              {C::Directory, {2225, 735, 1985, 315}},
                              {C::Drive1, {2225, 1170, 1985, 315}},
                          });
}

TEST(ManagerLayout, TinyWindowHoldsSizesAndPositionsAtZero)
{
    const auto rects = manager::layoutManager(manager::designRects(), 3000, 2000);
    using C = Control;
    expectPlaced(rects, {
                            {C::Image1, {120, 0, 1710, 2610}},
                            {C::Files, {120, 735, 146, 0}},
                            {C::Directory, {386, 735, 146, 0}},
                            {C::Drive1, {386, 420, 146, 315}},
                            {C::SaveButton, {653, 960, 1575, 495}},
                            {C::Label4, {2348, 120, 412, 615}},
                            {C::Label1, {4080, 255, 0, 255}},
                        });
}

} // namespace
