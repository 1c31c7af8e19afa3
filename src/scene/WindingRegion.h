#pragma once
#include <array>
#include <cstdint>

#include "scene/FrameGeometry.h"

// A filled four-corner outline, tested with the non-zero winding rule: a point is
// inside when the outline winds around it at least once in either direction. The
// gust band's outline crosses itself, which this rule handles without special cases.
class TWindingRegion {
public:
    explicit TWindingRegion(const std::array<TCornerPoint, 4>& corners);

    // A pixel belongs to the region when its centre (x + 0.5, y + 0.5) does, so a
    // pixel on the outline is decided without ties.
    bool Contains(int32_t x, int32_t y) const;

private:
    std::array<TCornerPoint, 4> Outline;
};
