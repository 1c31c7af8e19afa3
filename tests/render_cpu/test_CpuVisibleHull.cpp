#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "render/backends/cpu/CpuRaster.h"
#include "render/backends/cpu/CpuRowCut.h"
#include "render/backends/cpu/CpuVisibleHull.h"
#include "render/backends/cpu/TCpuTexels.h"

namespace {

constexpr int Size = 48;

// A texture with alpha where `visible` says, colour everywhere.
TCpuTexels Shape(bool (*visible)(int x, int y)) {
  TCpuTexels texels(Size, Size);
  for (int y = 0; y < Size; ++y) {
    for (int x = 0; x < Size; ++x) {
      texels.Pixels[size_t(y) * Size + size_t(x)] = (visible(x, y) ? 0x80000000u : 0u) | 0x123456u;
    }
  }
  texels.Measure();
  return texels;
}

// Every pixel of random walks outside the cut must show a clear texel;
// the first walks run along each side of the texture just off it, where
// the edge's texels show.
void ExpectNothingVisibleCut(const TCpuTexels& texels, bool expectEverythingKept) {
  const TVisibleHull hull(texels);
  std::mt19937_64 random(5);
  for (int trial = 0; trial < 3000; ++trial) {
    TWalkSteps steps;
    if (trial < 16) {
      // Fourths of a texel: positions 1.75, 1.5, 0.75 or 0.25 off a side.
      const int64_t off[] = {-7, -6, -3, -1};
      const int side = trial / 4;
      const int64_t at = side % 2 == 0 ? off[trial % 4] : 4 * Size - 1 - off[trial % 4];
      steps.UDenominator = steps.VDenominator = 4;
      (side < 2 ? steps.VStep : steps.UStep) = 1;
      PlanWalk(steps);
      TTexelWalk start;
      int64_t& across = side < 2 ? start.U : start.V;
      int64_t& part = side < 2 ? start.UPart : start.VPart;
      across = at >= 0 ? at / 4 : -((-at + 3) / 4);
      part = at - across * 4;
      int first = -1, last = -1;
      const bool any = hull.Clip(steps, start, Size, first, last);
      for (int i = 0; i < Size; ++i) {
        const int edge = side % 2 == 0 ? 0 : Size - 1;
        const int column = side < 2 ? edge : i, row = side < 2 ? i : edge;
        if ((texels.Pixels[size_t(row) * Size + size_t(column)] >> 24) != 0) {
          ASSERT_TRUE(any && i >= first && i <= last) << "side " << side << " pixel " << i << " cut";
        }
      }
      continue;
    }
    steps.UDenominator = steps.VDenominator = int64_t(1) << (trial % 40);
    steps.UStep = int64_t(random() % 5) - 2;
    steps.VStep = int64_t(random() % 5) - 2;
    steps.UStepPart = int64_t(random() % uint64_t(steps.UDenominator));
    steps.VStepPart = int64_t(random() % uint64_t(steps.VDenominator));
    // Exactly along rows and columns too.
    if (trial % 7 == 0) steps.UStepPart = 0;
    if (trial % 11 == 0) steps.VStepPart = steps.VStep = 0;
    TTexelWalk start;
    start.U = int64_t(random() % 120) - 36;
    start.V = int64_t(random() % 120) - 36;
    start.UPart = int64_t(random() % uint64_t(steps.UDenominator));
    start.VPart = int64_t(random() % uint64_t(steps.VDenominator));
    const int count = int(random() % 90) + 1;
    int first = -1, last = -1;
    const bool any = hull.Clip(steps, start, count, first, last);
    if (expectEverythingKept) {
      ASSERT_TRUE(any);
      ASSERT_EQ(first, 0);
      ASSERT_EQ(last, count - 1);
    }
    TTexelWalk at = start;
    for (int i = 0; i < count; ++i) {
      const int column = int(std::clamp<int64_t>(at.U, 0, Size - 1));
      const int row = int(std::clamp<int64_t>(at.V, 0, Size - 1));
      const bool shows = (texels.Pixels[size_t(row) * Size + size_t(column)] >> 24) != 0;
      if (shows) {
        ASSERT_TRUE(any && i >= first && i <= last) << "trial " << trial << " pixel " << i << " cut";
      }
      at = WalkFrom(steps, at, 1);
    }
  }
}

TEST(TVisibleHull, CutsOnlyPixelsShowingClearTexels) {
  // A disc, a heart-like shape with a notch, one texel, and nothing.
  ExpectNothingVisibleCut(Shape([](int x, int y) { return std::hypot(x - 23.5, y - 23.5) < 20; }), false);
  ExpectNothingVisibleCut(Shape([](int x, int y) {
                            const double dx = std::abs(x - 23.5), dy = y - 20.0;
                            return std::hypot(dx - 8, dy) < 9 || (dy > 0 && dx + dy < 20);
                          }),
                          false);
  ExpectNothingVisibleCut(Shape([](int x, int y) { return x == 30 && y == 7; }), false);
  ExpectNothingVisibleCut(Shape([](int, int) { return false; }), false);
}

TEST(TVisibleHull, TexturesVisibleOnTheirEdgeAreCutOnlyWhereTheEdgeDoesNotShow) {
  // Positions off the texture read its edge: a disc touching all four
  // sides, a texel in a corner, one on a side, and everything.
  ExpectNothingVisibleCut(Shape([](int x, int y) { return std::hypot(x - 23.5, y - 23.5) < 24.2; }), false);
  ExpectNothingVisibleCut(Shape([](int x, int y) { return x == 0 && y == 0; }), false);
  ExpectNothingVisibleCut(Shape([](int x, int y) { return x == 0 && y == 20; }), false);
  ExpectNothingVisibleCut(Shape([](int, int) { return true; }), true);
}

TEST(TVisibleHull, TheClearCornersOfADiscTouchingItsEdgeAreCut) {
  const TCpuTexels disc = Shape([](int x, int y) { return std::hypot(x - 23.5, y - 23.5) < 24.2; });
  const TVisibleHull hull(disc);
  // A row along the top edge, within the texture: only its middle shows.
  TWalkSteps steps;
  steps.UDenominator = steps.VDenominator = 4;
  steps.UStep = 1;
  PlanWalk(steps);
  TTexelWalk start;
  start.V = 1;
  int first = 0, last = 0;
  ASSERT_TRUE(hull.Clip(steps, start, Size, first, last));
  EXPECT_GT(first, 4);
  EXPECT_LT(last, Size - 5);
  // The same row from far off the texture, where the planes do not hold,
  // is kept whole.
  start.U = -20;
  ASSERT_TRUE(hull.Clip(steps, start, Size + 40, first, last));
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, Size + 39);
}

TEST(TVisibleHull, AJoinedHullCutsOnlyWhatNeitherShows) {
  const TCpuTexels left = Shape([](int x, int y) { return std::hypot(x - 12.5, y - 23.5) < 8; });
  const TCpuTexels right = Shape([](int x, int y) { return std::hypot(x - 35.5, y - 23.5) < 8; });
  const TCpuTexels both = Shape([](int x, int y) {
    return std::hypot(x - 12.5, y - 23.5) < 8 || std::hypot(x - 35.5, y - 23.5) < 8;
  });
  const TVisibleHull joined = TVisibleHull::Joined(TVisibleHull(left), TVisibleHull(right));
  const TVisibleHull clear = TVisibleHull(Shape([](int, int) { return false; }));
  const TVisibleHull uncut = TVisibleHull();
  EXPECT_TRUE(joined.Cuts());
  EXPECT_FALSE(TVisibleHull::Joined(joined, uncut).Cuts());
  EXPECT_TRUE(TVisibleHull::Joined(clear, joined).Cuts());
  // Every texel that either shows lies within the joined hull.
  TWalkSteps steps;
  steps.UStep = 1;
  PlanWalk(steps);
  for (int row = 0; row < Size; ++row) {
    TTexelWalk start;
    start.V = row;
    int first = 0, last = -1;
    const bool any = joined.Clip(steps, start, Size, first, last);
    for (int x = 0; x < Size; ++x) {
      if (both.Pixels[size_t(row) * Size + size_t(x)] >> 24) {
        ASSERT_TRUE(any && x >= first && x <= last) << x << ", " << row;
      }
    }
    // Rows above and below both discs are cut whole.
    if (row < 12 || row > 35) {
      EXPECT_FALSE(any) << "row " << row;
    }
  }
}

// Every pixel of random triangles, turned and stretched, that a row cut
// leaves out must show a clear texel; texture coordinates reach past the
// texture for some, where its edge shows beyond it.
void ExpectRowCutsKeepEverythingVisible(const TCpuTexels& texels) {
  const TVisibleHull hull(texels);
  std::mt19937 random(9);
  std::uniform_int_distribution<int64_t> position(-40 * SubPixel, 120 * SubPixel);
  int cutPixels = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const bool within = trial % 3 != 0;
    std::uniform_int_distribution<int64_t> coordinate(within ? 0 : -TexCoordOne / 2,
                                                      within ? TexCoordOne : TexCoordOne * 3 / 2);
    TFixedVertex corners[3];
    for (TFixedVertex& corner : corners) corner = TFixedVertex{position(random), position(random), coordinate(random), coordinate(random)};
    TTriangleSetup setup;
    if (!SetUpTriangle(corners[0], corners[1], corners[2], Size, Size, setup)) continue;
    const auto onTexture = [](const TFixedVertex& v) {
      return v.U >= 0 && v.U <= TexCoordOne && v.V >= 0 && v.V <= TexCoordOne;
    };
    const TRowCut cut(hull, setup, onTexture(corners[0]) && onTexture(corners[1]) && onTexture(corners[2]));
    for (int y = setup.Bounds.Top; y < setup.Bounds.Bottom; ++y) {
      int begin = INT32_MAX, end = INT32_MIN;
      for (int x = setup.Bounds.Left; x < setup.Bounds.Right; ++x) {
        bool inside = true;
        for (const TEdge& edge : setup.Edges) inside = inside && edge.At(x, y) + edge.Bias >= 0;
        if (inside) begin = std::min(begin, x), end = std::max(end, x + 1);
      }
      if (begin >= end) continue;
      int from = begin, to = end;
      const bool any = cut.Cut(y, from, to);
      for (int x = begin; x < end; ++x) {
        const TWide u = setup.UBase + TWide(setup.UStepX) * x + TWide(setup.UStepY) * y;
        const TWide v = setup.VBase + TWide(setup.VStepX) * x + TWide(setup.VStepY) * y;
        const int column = int(std::clamp<TWide>(FloorDiv128(u, setup.Denominator), 0, Size - 1));
        const int row = int(std::clamp<TWide>(FloorDiv128(v, setup.Denominator), 0, Size - 1));
        const bool kept = any && x >= from && x < to;
        if ((texels.Pixels[size_t(row) * Size + size_t(column)] >> 24) != 0) {
          ASSERT_TRUE(kept) << "trial " << trial << " pixel " << x << ", " << y << " cut";
        }
        cutPixels += kept ? 0 : 1;
      }
    }
  }
  // Something is cut at all.
  EXPECT_GT(cutPixels, 0);
}

TEST(TRowCut, RowsOfTurnedTrianglesLoseOnlyPixelsShowingClearTexels) {
  ExpectRowCutsKeepEverythingVisible(Shape([](int x, int y) { return std::hypot(x - 23.5, y - 23.5) < 20; }));
  ExpectRowCutsKeepEverythingVisible(Shape([](int x, int y) { return std::hypot(x - 23.5, y - 23.5) < 24.2; }));
  ExpectRowCutsKeepEverythingVisible(Shape([](int x, int y) { return x == 0 && y == 0; }));
  ExpectRowCutsKeepEverythingVisible(Shape([](int x, int y) { return x == 47 && y > 30; }));
  ExpectRowCutsKeepEverythingVisible(Shape([](int x, int y) { return x == 30 && y == 7; }));
}

}  // namespace
