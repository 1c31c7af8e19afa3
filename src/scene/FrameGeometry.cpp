#include "scene/FrameGeometry.h"

#include <cmath>
#include <cstddef>
#include <numbers>

#include "scene/Rounding.h"

namespace {
constexpr double BodyBaseSize = 182.0;
constexpr int32_t HeartStyle = 1;
constexpr int32_t GlassStyle = 2;

int32_t Convert(double value, TCornerRounding rounding)
{
    return rounding == TCornerRounding::Truncate ? static_cast<int32_t>(std::trunc(value))
                                                 : RoundHalfEven(value);
}
}

int32_t BodySize(float sizeFactor, float viewScale)
{
    return RoundHalfEven(BodyBaseSize * static_cast<double>(sizeFactor) * static_cast<double>(viewScale));
}

int32_t PictureSize(int32_t styleSize, float sizeFactor, float viewScale)
{
    return RoundHalfEven(static_cast<double>(styleSize) * static_cast<double>(sizeFactor) *
                         static_cast<double>(viewScale));
}

TTurn BubbleTurn(int32_t bubbleStyle, double angle)
{
    if (bubbleStyle != HeartStyle)
        return {};
    const double radians = 2.0 * std::numbers::pi * angle;
    return {std::cos(radians), std::sin(radians)};
}

TSquareCorners SquareCorners(int32_t half, TTurn turn, double x, double y, float viewScale,
                             TCornerRounding rounding)
{
    const double h = half;
    const std::array<std::array<double, 2>, 4> local{{{-h, -h}, {h, -h}, {-h, h}, {h, h}}};
    const double centreX = x * static_cast<double>(viewScale);
    const double centreY = y * static_cast<double>(viewScale);
    TSquareCorners corners;
    for (std::size_t k = 0; k < local.size(); ++k) {
        const double cx = local[k][0];
        const double cy = local[k][1];
        corners[k] = {Convert(cx * turn.Cos - cy * turn.Sin + centreX, rounding),
                      Convert(cx * turn.Sin + cy * turn.Cos + centreY, rounding)};
    }
    return corners;
}

TCornerRounding PictureRounding(int32_t bubbleStyle)
{
    return bubbleStyle == GlassStyle ? TCornerRounding::Truncate : TCornerRounding::Nearest;
}

TSquareCorners OffsetCorners(const TSquareCorners& corners, int32_t dx, int32_t dy)
{
    TSquareCorners moved = corners;
    for (auto& corner : moved) {
        corner.X += dx;
        corner.Y += dy;
    }
    return moved;
}
