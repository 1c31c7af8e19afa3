#include <gtest/gtest.h>

#include <vector>

#include "render/backends/cpu/TCpuCompositor.h"
#include "render/backends/cpu/TDamageRegion.h"
#include "render_cpu/CompositorFixtures.h"

namespace {

using namespace fixtures;

constexpr int W = 300;
constexpr int H = 200;

// Marks every pixel the rectangles cover; each must be covered once.
std::vector<int> Coverage(const std::vector<TRect>& rects, int width, int height) {
  std::vector<int> covered(size_t(width) * size_t(height), 0);
  for (const TRect& r : rects) {
    EXPECT_GE(r.Left, 0);
    EXPECT_GE(r.Top, 0);
    EXPECT_LE(r.Right, width);
    EXPECT_LE(r.Bottom, height);
    for (int y = r.Top; y < r.Bottom; ++y) {
      for (int x = r.Left; x < r.Right; ++x) ++covered[size_t(y) * size_t(width) + size_t(x)];
    }
  }
  return covered;
}

TEST(TDamageRegion, RectanglesCoverEveryChangeOnceAndStayInside) {
  TDamageRegion grid;
  grid.Resize(W, H);
  EXPECT_TRUE(grid.All());
  grid.Reset();
  EXPECT_TRUE(grid.None());
  EXPECT_TRUE(grid.Rects().empty());
  const std::vector<TRect> changes = {{-10, -10, 5, 5}, {40, 40, 120, 150}, {100, 60, 299, 70}, {290, 190, 400, 400},
                                      {10, 300, 20, 310}};
  for (const TRect& r : changes) grid.Add(r);
  const auto covered = Coverage(grid.Rects(), W, H);
  for (const TRect& r : changes) {
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, H); ++y) {
      for (int x = std::max(r.Left, 0); x < std::min(r.Right, W); ++x) {
        ASSERT_EQ(covered[size_t(y) * W + size_t(x)], 1) << x << "," << y;
      }
    }
  }
  for (int c : covered) ASSERT_LE(c, 1);
  // Nothing outside the changes is marked: the two overlapping ones are too
  // far from a rectangle to be joined.
  size_t marked = 0;
  for (int c : covered) marked += size_t(c);
  EXPECT_EQ(marked, size_t(5 * 5 + 80 * 110 + 179 * 10 + 10 * 10));
}

TEST(TDamageRegion, ABubbleThatMovedAFewPixelsIsOneRectangleAroundBothPlaces) {
  TDamageRegion region;
  region.Resize(W, H);
  region.Reset();
  // Last frame's bubble and shadow, then this frame's.
  for (const TRect& r : std::vector<TRect>{{50, 40, 140, 130}, {70, 70, 160, 160}, {53, 42, 143, 132},
                                           {73, 72, 163, 162}}) {
    region.Add(r);
  }
  ASSERT_EQ(region.Rects().size(), 1u);
  EXPECT_EQ(region.Rects()[0], (TRect{50, 40, 163, 162}));
  // A bubble far away stays a rectangle of its own.
  region.Add(TRect{200, 10, 260, 70});
  EXPECT_EQ(region.Rects().size(), 2u);
  region.AddAll();
  EXPECT_EQ(region.Rects(), (std::vector<TRect>{{0, 0, W, H}}));
}

TEST(TDamageRegion, ManyScatteredChangesStillCoverEverythingOnce) {
  TDamageRegion region;
  region.Resize(W, H);
  region.Reset();
  std::vector<TRect> changes;
  for (int i = 0; i < 400; ++i) {
    const int x = (i * 37) % W, y = (i * 53) % H;
    changes.push_back(TRect{x, y, x + 3 + i % 11, y + 2 + i % 7});
    region.Add(changes.back());
  }
  const auto covered = Coverage(region.Rects(), W, H);
  for (int c : covered) ASSERT_LE(c, 1);
  for (const TRect& r : changes) {
    for (int y = r.Top; y < std::min(r.Bottom, H); ++y) {
      for (int x = r.Left; x < std::min(r.Right, W); ++x) ASSERT_EQ(covered[size_t(y) * W + size_t(x)], 1);
    }
  }
}

// Draws a frame the saver's way: clear, background copy, a few bubbles.
void Frame(TCpuCompositor& compositor, const std::vector<uint32_t>& background, uint64_t version, int shift,
           const std::shared_ptr<TCpuTexels>& texels) {
  compositor.Clear(TRect{0, 0, W, H}, 0);
  compositor.Copy(background.data(), W, H, TRect{0, 0, W, H}, 0, 0, 7, version);
  for (int i = 0; i < 6; ++i) {
    TD3DTLVertex v[4];
    Square(v, float(30 + i * 45 + shift), float(40 + (i * 37 + shift) % 150), 91, i % 2 ? 0.1f * float(shift) : 0.0f,
           0xFF000000u | uint32_t(i * 0x203040));
    compositor.DrawStrip(v, 4, texels, AlphaBlend());
  }
  compositor.Flush();
}

TEST(TCpuCompositorDamage, ARepeatedBackgroundCopyLeavesWhatAFullOneWould) {
  const auto texels = BubbleTexels(256, 2);
  auto background = Noise(W, H, 21);
  TCpuCompositor reused(2);
  reused.Resize(W, H);
  for (int frame = 0; frame < 6; ++frame) {
    // The background changes once, under a new version.
    uint64_t version = frame < 3 ? 1 : 2;
    if (frame == 3) background = Noise(W, H, 22);
    Frame(reused, background, version, frame * 7, texels);
    TCpuCompositor fresh(1);
    fresh.Resize(W, H);
    Frame(fresh, background, version, frame * 7, texels);
    ASSERT_TRUE(std::equal(fresh.Pixels(), fresh.Pixels() + size_t(W) * H, reused.Pixels())) << "frame " << frame;
  }
}

TEST(TCpuCompositorDamage, PresentDamageHoldsEverythingDrawnSinceItWasReset) {
  const auto texels = BubbleTexels(256, 2);
  const auto background = Noise(W, H, 21);
  TCpuCompositor compositor(1);
  compositor.Resize(W, H);
  Frame(compositor, background, 1, 0, texels);
  EXPECT_TRUE(compositor.PresentDamage().All());
  compositor.PresentDamage().Reset();
  const std::vector<uint32_t> before(compositor.Pixels(), compositor.Pixels() + size_t(W) * H);
  Frame(compositor, background, 1, 5, texels);
  const auto covered = Coverage(compositor.PresentDamage().Rects(), W, H);
  for (size_t i = 0; i < before.size(); ++i) {
    if (before[i] != compositor.Pixels()[i]) {
      ASSERT_EQ(covered[i], 1) << "changed pixel " << i % W << "," << i / W;
    }
  }
  // A small change leaves most of the screen out.
  size_t marked = 0;
  for (int c : covered) marked += size_t(c);
  EXPECT_LT(marked, size_t(W) * H);
}

TEST(TCpuCompositorDamage, WorkAlreadyPresentedIsNotPresentedAgain) {
  // A present reads the damage, resets it and only then carries out the
  // draws it covered; those draws must not count a second time.
  const auto texels = BubbleTexels(256, 2);
  TCpuCompositor compositor(1);
  compositor.Resize(W, H);
  compositor.Flush();
  compositor.PresentDamage().Reset();
  TD3DTLVertex v[4];
  Square(v, 100, 90, 91, 0.0f, 0xFF808080u);
  compositor.DrawStrip(v, 4, texels, AlphaBlend());
  Square(v, 120, 120, 91, 0.0f, 0xFF808080u);
  compositor.DrawStrip(v, 4, texels, AlphaBlend());
  const auto covered = Coverage(compositor.PresentDamage().Rects(), W, H);
  // Both draws are covered, joined or not.
  EXPECT_EQ(covered[size_t(90) * W + 100], 1);
  EXPECT_EQ(covered[size_t(120) * W + 120], 1);
  compositor.PresentDamage().Reset();
  compositor.Flush();
  EXPECT_TRUE(compositor.PresentDamage().None());
}

// A bubble's texels in one colour, as the style images are kept.
std::shared_ptr<TCpuTexels> OneColour(uint32_t seed, uint32_t colour) {
  auto texels = BubbleTexels(256, seed);
  for (uint32_t& texel : texels->Pixels) texel = (texel & 0xFF000000u) | colour;
  texels->Measure();
  return texels;
}

// A frame heavy enough to be drawn in bands on several threads, which then
// count its damage while they draw: shadow, body and front of bubbles
// straight, or turned (bands then hand shadow rows down), at full-HD size.
void HeavyFrame(TCpuCompositor& compositor, const std::vector<uint32_t>& background, int frame, bool turned) {
  constexpr int Width = 1920, Height = 1080;
  static const auto shadow = OneColour(3, 0), body = OneColour(2, 0xFFFFFF), front = OneColour(4, 0xFFFFFF);
  compositor.Copy(background.data(), Width, Height, TRect{0, 0, Width, Height}, 0, 0, 9, 1);
  for (int i = 0; i < 40; ++i) {
    const float x = float((i * 197 + frame * 13) % Width), y = float((i * 113 + frame * 7) % Height);
    const float angle = turned ? 0.05f * float(i + frame) : 0.0f;
    TD3DTLVertex v[4];
    Square(v, x + 20, y + 30, 300, angle, 0xFF000000u);
    compositor.DrawStrip(v, 4, shadow, AlphaBlend());
    Square(v, x, y, 300, angle, 0xFF000000u | uint32_t(i * 0x030507 + 0x404040));
    compositor.DrawStrip(v, 4, body, AlphaBlend());
    Square(v, x, y, 300, angle, 0xFFFFFFFFu);
    compositor.DrawStrip(v, 4, front, AlphaBlend());
  }
  compositor.Flush();
}

TEST(TCpuCompositorDamage, DamageCountedWhileBandsDrawIsWhatOneThreadCounts) {
  constexpr int Width = 1920, Height = 1080;
  const auto background = Noise(Width, Height, 23);
  for (const bool turned : {false, true}) {
    TCpuCompositor alone(1), banded(3);
    alone.Resize(Width, Height);
    banded.Resize(Width, Height);
    for (int frame = 0; frame < 4; ++frame) {
      const std::vector<uint32_t> before(banded.Pixels(), banded.Pixels() + size_t(Width) * Height);
      HeavyFrame(alone, background, frame, turned);
      HeavyFrame(banded, background, frame, turned);
      const auto& rects = banded.PresentDamage().Rects();
      ASSERT_EQ(rects, alone.PresentDamage().Rects()) << "turned " << turned << ", frame " << frame;
      if (frame > 0) {
        const auto covered = Coverage(rects, Width, Height);
        for (size_t i = 0; i < before.size(); ++i) {
          if (before[i] != banded.Pixels()[i]) {
            ASSERT_EQ(covered[i], 1) << "pixel " << i % Width << "," << i / Width;
          }
        }
      }
      alone.PresentDamage().Reset();
      banded.PresentDamage().Reset();
    }
  }
}

}  // namespace
