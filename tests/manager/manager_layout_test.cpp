#include "manager/manager_layout.h"

#include <QStringList>

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

// A bigger window or picture moves the designed places. Extra width keeps the button column centred and goes half to
// each pane, a quarter to each list; extra height goes to the lists and pushes what is below them down. Per control, in
// the order of Control (Label3, Label4, Files, Directory, Drive1, the six buttons from Gallery to Exit, About, Files2,
// ...): its left and width in quarters of the extra width, its top and height in the extra height.
// clang-format off
const QStringList growths = QString("0200 2200 0101 1101 1110 2000 2000 2000 2000 2000 2000 2010 2101 3101 3110 0010 "
                                    "0010 0010 0010 0010 0000 0010 0410 0010 0410 0010 0010").split(' ');
// clang-format on

TEST(ManagerLayout, ABiggerWindowSpreadsThePanesAndATallerPictureLiftsWhatIsAboveIt)
{
    ASSERT_EQ(growths.size(), int(manager::ControlCount));
    const manager::ControlRects normal = layout(Width, Height), shorter = layout(Width, Height - 2550),
                                taller = layout(Width, Height, 2550);
    for (std::size_t i = 0; i < manager::ControlCount; ++i) {
        const Control c = Control(i);
        const auto share = [&](int digit) { return growths[int(i)][digit].digitValue(); };
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
    }
}

} // namespace
