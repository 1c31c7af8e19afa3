#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

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

// Every pixel of random walks outside the cut must show a clear texel.
void ExpectNothingVisibleCut(const TCpuTexels& texels, bool expectEverythingKept) {
  const TVisibleHull hull(texels);
  std::mt19937_64 random(5);
  for (int trial = 0; trial < 3000; ++trial) {
    TWalkSteps steps;
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

TEST(TVisibleHull, ATextureVisibleOnItsEdgeKeepsEveryPixel) {
  // Positions off the texture read its edge, which shows here.
  ExpectNothingVisibleCut(Shape([](int x, int y) { return x == 0 && y == 20; }), true);
  ExpectNothingVisibleCut(Shape([](int, int) { return true; }), true);
}

}  // namespace
