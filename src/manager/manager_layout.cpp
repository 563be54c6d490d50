#include "manager/manager_layout.h"

#include <algorithm>

namespace manager {

namespace {
int atLeastZero(int value)
{
    return std::max(value, 0);
}

int half(int value)
{
    return value / 2;
}
} // namespace

const char* controlName(Control control)
{
    static constexpr std::array<const char*, ControlCount> names = {
        "Label3",     "Label4",       "Files",        "Directory",  "Drive1",      "BrowseButton", "SaveButton",
        "MoveButton", "DeleteButton", "RenameButton", "ExitButton", "AboutButton", "Files2",       "Directory2",
        "Drive2",     "Label8",       "Label9",       "Label5",     "Image1",      "Image2",       "Picture1",
        "Label6",     "Label1",       "Label7",       "Label2",     "GenderCombo", "TypeCombo",
    };
    return names[static_cast<std::size_t>(control)];
}

const ControlRects& designRects()
{
    static const ControlRects rects = [] {
        ControlRects r;
        using C = Control;
        r[C::Label3] = {120, 120, 4095, 615};
        r[C::Label4] = {6000, 120, 4095, 615};
        r[C::Files] = {120, 720, 1935, 3405};
        r[C::Directory] = {2160, 720, 2055, 3015};
        r[C::Drive1] = {2160, 3840, 2055, 315};
        r[C::BrowseButton] = {4320, 360, 1575, 495};
        r[C::SaveButton] = {4320, 960, 1575, 495};
        r[C::MoveButton] = {4320, 1560, 1575, 495};
        r[C::DeleteButton] = {4320, 2160, 1575, 495};
        r[C::RenameButton] = {4320, 2760, 1575, 495};
        r[C::ExitButton] = {4320, 3360, 1575, 495};
        r[C::AboutButton] = {4320, 5640, 1575, 495};
        r[C::Files2] = {6000, 720, 1935, 3405};
        r[C::Directory2] = {8040, 720, 2055, 3015};
        r[C::Drive2] = {8040, 3840, 2055, 315};
        r[C::Label8] = {240, 4200, 1410, 255};
        r[C::Label9] = {1920, 4200, 1290, 255};
        r[C::Label5] = {3360, 4320, 6855, 255};
        r[C::Image1] = {120, 4440, 1710, 2610};
        r[C::Image2] = {2280, 4440, 630, 960};
        r[C::Picture1] = {2280, 5400, 570, 900};
        r[C::Label6] = {3360, 4560, 735, 255};
        r[C::Label1] = {4080, 4560, 6015, 255};
        r[C::Label7] = {3360, 4800, 735, 255};
        r[C::Label2] = {4080, 4800, 6015, 255};
        r[C::GenderCombo] = {3360, 5160, 1575, 315};
        r[C::TypeCombo] = {5040, 5160, 1575, 315};
        return r;
    }();
    return rects;
}

ControlRects layoutManager(ControlRects r, int windowWidth, int windowHeight)
{
    using C = Control;
    // The order matters: each step reads what the steps before it have set.
    r[C::Label3].top = 120;
    r[C::Files].top = r[C::Label3].top + r[C::Label3].height;
    r[C::Directory].top = r[C::Files].top;
    r[C::Image1].top = atLeastZero(windowHeight - r[C::Image1].height - 480);
    r[C::Image2].top = r[C::Image1].top;
    r[C::Label8].top = atLeastZero(r[C::Image1].top - r[C::Label8].height);
    r[C::Label9].top = r[C::Label8].top;
    r[C::Files].height = atLeastZero(r[C::Label8].top - r[C::Files].top - 120);
    r[C::Files2].height = r[C::Files].height;
    r[C::Drive1].top = atLeastZero(r[C::Files].top + r[C::Files].height - r[C::Drive1].height);
    r[C::Drive2].top = r[C::Drive1].top;
    r[C::Directory].height = atLeastZero(r[C::Files].height - r[C::Drive1].height - 120);
    r[C::Directory2].height = r[C::Directory].height;
    r[C::Label5].top = r[C::Label9].top;
    r[C::Label1].top = r[C::Label5].top + r[C::Label5].height;
    r[C::Label2].top = r[C::Label1].top + r[C::Label1].height;
    r[C::Label6].top = r[C::Label1].top;
    r[C::Label7].top = r[C::Label2].top;
    r[C::GenderCombo].top = r[C::Label2].top + r[C::Label2].height + 120;
    r[C::TypeCombo].top = r[C::GenderCombo].top;
    r[C::AboutButton].top = r[C::GenderCombo].top + r[C::GenderCombo].height + 120;

    // The button column is centred; everything across the window hangs off it.
    r[C::SaveButton].left = atLeastZero(half(windowWidth) - half(r[C::SaveButton].width) - 60);
    for (const C button : {C::MoveButton, C::DeleteButton, C::AboutButton, C::ExitButton})
        r[button].left = r[C::SaveButton].left;
    r[C::Label1].width = atLeastZero(windowWidth - r[C::Label1].left - 240);
    r[C::Label2].width = r[C::Label1].width;
    r[C::BrowseButton].left = r[C::SaveButton].left;
    r[C::RenameButton].left = r[C::SaveButton].left;
    r[C::Label4].left = r[C::SaveButton].left + r[C::SaveButton].width + 120;
    r[C::Label4].width = atLeastZero(windowWidth - r[C::Label4].left - 240);
    r[C::Files2].width = atLeastZero(half(r[C::Label4].width) - 60);
    r[C::Directory2].width = r[C::Files2].width;
    r[C::Files2].left = r[C::Label4].left;
    r[C::Directory2].left = r[C::Files2].left + r[C::Files2].width + 120;
    r[C::Drive2].width = r[C::Directory2].width;
    r[C::Drive2].left = r[C::Directory2].left;
    r[C::Label3].left = 120;
    r[C::Label3].width = r[C::Label4].width;
    r[C::Files].width = r[C::Files2].width;
    r[C::Directory].width = r[C::Directory2].width;
    r[C::Drive1].width = r[C::Drive2].width;
    r[C::Files].left = r[C::Label3].left;
    r[C::Directory].left = r[C::Files].left + r[C::Files].width + 120;
    r[C::Drive1].left = r[C::Directory].left;
    return r;
}

} // namespace manager
