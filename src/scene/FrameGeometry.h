#pragma once
#include <array>
#include <cstdint>

// Where the squares of one bubble land on the drawing surface. Kept apart from
// the drawing itself so that the rounding rules can be checked without a device.

struct TCornerPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TCornerPoint&) const = default;
};

// Corners in strip order: top-left, top-right, bottom-left, bottom-right (before turning).
using TSquareCorners = std::array<TCornerPoint, 4>;

// cos and sin of a bubble's spin; the identity for styles that do not turn.
struct TTurn {
    double Cos = 1.0;
    double Sin = 0.0;
};

enum class TCornerRounding { Truncate, Nearest };

// The body square's edge: round(182 * sizeFactor * viewScale).
int32_t BodySize(float sizeFactor, float viewScale);
// The picture square's edge: round(styleSize * sizeFactor * viewScale).
int32_t PictureSize(int32_t styleSize, float sizeFactor, float viewScale);

// Only the heart style spins its squares; Angle is in turns, positive clockwise on screen.
TTurn BubbleTurn(int32_t bubbleStyle, double angle);

// The square with local corners at +-half, turned and moved to the bubble's centre
// (x, y) scaled by viewScale.
TSquareCorners SquareCorners(int32_t half, TTurn turn, double x, double y, float viewScale,
                             TCornerRounding rounding);

// Glass frames show their pictures with truncated corners, the round styles with rounded ones.
TCornerRounding PictureRounding(int32_t bubbleStyle);

TSquareCorners OffsetCorners(const TSquareCorners& corners, int32_t dx, int32_t dy);
