#include "scene/WindingRegion.h"

#include <cstddef>

TWindingRegion::TWindingRegion(const std::array<TCornerPoint, 4>& corners) : Outline(corners) {}

bool TWindingRegion::Contains(int32_t x, int32_t y) const
{
    // The test is taken at the pixel's centre (x + 0.5, y + 0.5); doubling every
    // coordinate keeps it in integers, and a centre never lies on a horizontal edge.
    const int64_t px = 2 * static_cast<int64_t>(x) + 1;
    const int64_t py = 2 * static_cast<int64_t>(y) + 1;
    int winding = 0;
    for (std::size_t k = 0; k < Outline.size(); ++k) {
        const TCornerPoint& from = Outline[k];
        const TCornerPoint& to = Outline[(k + 1) % Outline.size()];
        const int64_t x0 = 2 * static_cast<int64_t>(from.X);
        const int64_t y0 = 2 * static_cast<int64_t>(from.Y);
        const int64_t x1 = 2 * static_cast<int64_t>(to.X);
        const int64_t y1 = 2 * static_cast<int64_t>(to.Y);
        // Which side of the edge the point is on: > 0 left of it, < 0 right of it.
        const int64_t side = (x1 - x0) * (py - y0) - (px - x0) * (y1 - y0);
        if (y0 < py && y1 > py && side > 0)
            ++winding;
        else if (y0 > py && y1 < py && side < 0)
            --winding;
    }
    return winding != 0;
}
