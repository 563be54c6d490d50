#pragma once

#include <array>
#include <cstddef>

#include "platform/controls/twips.h"

namespace manager {

// Every control of the manager window, in the order of its design table.
enum class Control : std::size_t {
    Label3,
    Label4,
    Files,
    Directory,
    Drive1,
    BrowseButton,
    SaveButton,
    MoveButton,
    DeleteButton,
    RenameButton,
    ExitButton,
    AboutButton,
    Files2,
    Directory2,
    Drive2,
    Label8,
    Label9,
    Label5,
    Image1,
    Image2,
    Picture1,
    Label6,
    Label1,
    Label7,
    Label2,
    GenderCombo,
    TypeCombo,
    Count
};

inline constexpr std::size_t ControlCount = static_cast<std::size_t>(Control::Count);

class ControlRects {
public:
    platform::TwipsRect& operator[](Control c) { return rects_[static_cast<std::size_t>(c)]; }
    const platform::TwipsRect& operator[](Control c) const { return rects_[static_cast<std::size_t>(c)]; }

private:
    std::array<platform::TwipsRect, ControlCount> rects_{};
};

inline constexpr int DesignOuterWidth = 10355;
inline constexpr int DesignOuterHeight = 7500;
// Frame, title bar and border of the design: outer size less the design client area.
inline constexpr int DesignFrameWidth = DesignOuterWidth - 10215;
inline constexpr int DesignFrameHeight = DesignOuterHeight - 7095;

const char* controlName(Control control);
const ControlRects& designRects();

// Places the controls for a window of the given outer size. `rects` holds the controls as they are now
// (the images at the size of the pictures they show); positions and sizes that the layout does not set
// are kept. Values that would turn negative on a tiny window are held at 0.
ControlRects layoutManager(ControlRects rects, int windowWidth, int windowHeight);

} // namespace manager
