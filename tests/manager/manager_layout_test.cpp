#include "manager/manager_layout.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace platform {
void PrintTo(const TwipsRect& r, std::ostream* out)
{
    *out << r.left << ',' << r.top << ' ' << r.width << 'x' << r.height;
}
} // namespace platform

namespace {

using manager::Control;
constexpr int Width = manager::DesignOuterWidth, Height = manager::DesignOuterHeight;

manager::ControlRects layout(int width, int height, int tallerPicture = 0)
{
    manager::ControlRects rects = manager::designRects();
    rects[Control::Image1].height += tallerPicture;
    return manager::layoutManager(rects, width, height);
}

// The normal window's places are pinned by the window's own test; here a bigger window or picture moves
// them. Extra width keeps the button column centred and goes half to each pane, a quarter to each list;
// extra height goes to the lists and pushes what is below them down. Per control, in the order of Control:
// its left and width in quarters of the extra width, its top and height in the extra height.
// clang-format off
const QStringList growths = QString(
    "Label3 0200 Label4 2200 Files 0101 Directory 1101 Drive1 1110 BrowseButton 2000 SaveButton 2000 MoveButton 2000 "
    "DeleteButton 2000 RenameButton 2000 ExitButton 2000 AboutButton 2010 Files2 2101 Directory2 3101 Drive2 3110 "
    "Label8 0010 Label9 0010 Label5 0010 Image1 0010 Image2 0010 Picture1 0000 Label6 0010 Label1 0410 Label7 0010 "
    "Label2 0410 GenderCombo 0010 TypeCombo 0010").split(' ');
// clang-format on

TEST(ManagerLayout, ABiggerWindowSpreadsThePanesAndATallerPictureLiftsWhatIsAboveIt)
{
    ASSERT_EQ(growths.size(), 2 * int(manager::ControlCount));
    const manager::ControlRects normal = layout(Width, Height), shorter = layout(Width, Height - 2550),
                                taller = layout(Width, Height, 2550);
    for (std::size_t i = 0; i < manager::ControlCount; ++i) {
        const Control c = Control(i);
        const auto share = [&](int digit) { return growths[int(2 * i + 1)][digit].digitValue(); };
        ASSERT_EQ(growths[int(2 * i)], manager::controlName(c));
        for (const auto& [quarter, extra] : {std::pair{1000, 0}, {0, 777}, {4611, 8700}}) {
            const platform::TwipsRect n = normal[c];
            EXPECT_EQ(layout(Width + 4 * quarter, Height + extra)[c],
                      (platform::TwipsRect{n.left + share(0) * quarter, n.top + share(2) * extra,
                                           n.width + share(1) * quarter, n.height + share(3) * extra}))
                << manager::controlName(c) << " in a window " << quarter * 4 << " x " << extra << " bigger";
        }
        // As a shorter window would, but for the picture's own height.
        platform::TwipsRect lifted = shorter[c];
        lifted.height += c == Control::Image1 ? 2550 : 0;
        EXPECT_EQ(taller[c], lifted) << manager::controlName(c);
        for (const int size : {0, 1000, 3000}) {
            const platform::TwipsRect r = layout(size, size)[c];
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.width >= 0 && r.height >= 0)
                << manager::controlName(c) << " in " << size << ": " << testing::PrintToString(r);
        }
    }
}

} // namespace
