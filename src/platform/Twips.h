#pragma once

#include <QRect>

// Window layouts are given in twips; the program draws at 15 twips per logical pixel.
namespace Twips
{

inline constexpr int kPerPixel = 15;

/// Twips to logical pixels, rounded to the nearest pixel.
constexpr int toPixels(int twips)
{
    return (twips >= 0 ? twips + kPerPixel / 2 : twips - kPerPixel / 2) / kPerPixel;
}

/// A control's left, top, width and height in twips as a pixel rectangle.
constexpr QRect toRect(int left, int top, int width, int height)
{
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

} // namespace Twips
