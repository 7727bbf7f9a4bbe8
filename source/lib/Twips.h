#pragma once
// Window and control sizes given in twips (1/1440 inch), in pixels at 96 dpi: 15 twips a pixel.

#include <QRect>

namespace Twips {

constexpr int toPixels(int twips)
{
    return twips / 15;
}

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

}  // namespace Twips
