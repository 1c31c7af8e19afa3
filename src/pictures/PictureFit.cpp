#include "pictures/PictureFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A 32-bit product that wraps instead of overflowing.
int32_t Product32(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }

// Nearest integer, halves to even (the default rounding mode). Wrapped
// comparisons can ask for bars beyond any image; those stay in range here and
// are clipped by the drawing.
int32_t RoundEven(double value)
{
    constexpr double Low = std::numeric_limits<int32_t>::min();
    constexpr double High = std::numeric_limits<int32_t>::max();
    return int32_t(std::clamp(std::nearbyint(value), Low, High));
}

}

TRect FitRect(int32_t pictureWidth, int32_t pictureHeight, int32_t width, int32_t height, int32_t deviceWidth,
                 int32_t deviceHeight)
{
    TRect rect{0, 0, width, height};
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        return rect;
    }
    const int32_t tall = Product32(pictureHeight, deviceWidth);
    const int32_t wide = Product32(pictureWidth, deviceHeight);
    if (tall > wide) {
        rect.Left = RoundEven(width - double(pictureWidth) * height / pictureHeight) / 2;
        rect.Right = width - rect.Left;
    } else if (tall < wide) {
        rect.Top = RoundEven(height - double(pictureHeight) * width / pictureWidth) / 2;
        rect.Bottom = height - rect.Top;
    }
    return rect;
}
