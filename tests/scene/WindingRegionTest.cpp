#include <gtest/gtest.h>

#include "scene/WindingRegion.h"

namespace {

// The gust band: top edge from a to a + 100, bottom edge from c to c + 100, its
// outline drawn top-left, top-right, bottom-left, bottom-right.
TWindingRegion Band(int32_t a, int32_t c, int32_t height)
{
    return TWindingRegion({{{a, 0}, {a + 100, 0}, {c, height}, {c + 100, height}}});
}

TEST(WindingRegionTest, CrossedBandIsTwoTrianglesMeetingHalfWay)
{
    const TWindingRegion band = Band(0, 0, 600);
    // Near the top edge the band is nearly the full 100 pixels wide...
    EXPECT_TRUE(band.Contains(5, 2));
    EXPECT_TRUE(band.Contains(94, 2));
    EXPECT_FALSE(band.Contains(-1, 2));
    EXPECT_FALSE(band.Contains(100, 2));
    // ...narrows to a point half-way down...
    EXPECT_TRUE(band.Contains(50, 290));
    EXPECT_FALSE(band.Contains(20, 300));
    EXPECT_FALSE(band.Contains(80, 300));
    // ...and widens again towards the bottom edge.
    EXPECT_TRUE(band.Contains(5, 597));
    EXPECT_TRUE(band.Contains(94, 597));
    EXPECT_FALSE(band.Contains(50, 600));
    EXPECT_FALSE(band.Contains(50, -1));
}

TEST(WindingRegionTest, SlantedBandFollowsItsCorners)
{
    // From x 0..100 at the top to x 600..700 at the bottom of a 600-pixel screen:
    // the two triangles meet at (350, 300), the upper one is 1.5 pixels wide at y 295.
    const TWindingRegion band = Band(0, 600, 600);
    EXPECT_TRUE(band.Contains(50, 10));
    EXPECT_TRUE(band.Contains(650, 590));
    EXPECT_TRUE(band.Contains(345, 295));
    EXPECT_FALSE(band.Contains(349, 295));
    EXPECT_FALSE(band.Contains(50, 590));
    EXPECT_FALSE(band.Contains(650, 10));
}

TEST(WindingRegionTest, OutlineDirectionDoesNotMatter)
{
    const TWindingRegion clockwise({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}});
    const TWindingRegion anticlockwise({{{0, 0}, {0, 10}, {10, 10}, {10, 0}}});
    for (int32_t y = -2; y < 12; ++y)
        for (int32_t x = -2; x < 12; ++x) {
            const bool inside = x >= 0 && x < 10 && y >= 0 && y < 10;
            EXPECT_EQ(clockwise.Contains(x, y), inside) << x << "," << y;
            EXPECT_EQ(anticlockwise.Contains(x, y), inside) << x << "," << y;
        }
}

}
