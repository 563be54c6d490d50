#pragma once

#include <QRect>

namespace platform {

// Windows are designed in twips: 1440 to the inch, 15 to a (logical) pixel.
inline constexpr int TwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return twips >= 0 ? (twips + TwipsPerPixel / 2) / TwipsPerPixel : -((-twips + TwipsPerPixel / 2) / TwipsPerPixel);
}

constexpr int pixelsToTwips(int pixels)
{
    return pixels * TwipsPerPixel;
}

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    QRect toPixels() const
    {
        return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
    }
    friend bool operator==(const TwipsRect& a, const TwipsRect& b)
    {
        return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
    }
};

inline QRect twipsToPixels(int left, int top, int width, int height)
{
    return TwipsRect{left, top, width, height}.toPixels();
}

} // namespace platform
