#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "render/backends/cpu/TCpuCompositor.h"
#include "render/backends/cpu/TDamageRegion.h"
#include "render_cpu/CompositorFixtures.h"
#include "render_cpu/KernelLevels.h"

namespace {

using namespace fixtures;

constexpr int W = 300;
constexpr int H = 200;
using TCost = TDamageRegion::TSendCost;
// From a rectangle per group of rows to one rectangle for everything.
constexpr TCost Prices[] = {{1, 0}, {128, 128}, {4096, 0}, {int64_t(1) << 40, 0}};
constexpr TCost Moderate{128, 0};

// Marks every pixel the rectangles cover, and checks what every sender of
// them relies on: within the surface, none overlapping, in bands of rows
// top to bottom whose rectangles share the band's rows, left to right.
std::vector<int> Coverage(const std::vector<TRect>& rects, int width, int height) {
  std::vector<int> covered(size_t(width) * size_t(height), 0);
  for (size_t i = 0; i < rects.size(); ++i) {
    const TRect& r = rects[i];
    EXPECT_TRUE(r.Left >= 0 && r.Top >= 0 && r.Right <= width && r.Bottom <= height && r.Left < r.Right &&
                r.Top < r.Bottom)
        << "rectangle " << i;
    if (i > 0) {
      const TRect& before = rects[i - 1];
      const bool sameBand = before.Top == r.Top && before.Bottom == r.Bottom && before.Right < r.Left;
      EXPECT_TRUE(sameBand || before.Bottom <= r.Top) << "rectangle " << i << " out of its band";
    }
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, height); ++y) {
      for (int x = std::max(r.Left, 0); x < std::min(r.Right, width); ++x) ++covered[size_t(y) * size_t(width) + size_t(x)];
    }
  }
  for (size_t i = 0; i < covered.size(); ++i) EXPECT_LE(covered[i], 1) << "pixel " << i % size_t(width) << "," << i / size_t(width);
  return covered;
}

int64_t Sum(const std::vector<int>& covered) {
  int64_t sum = 0;
  for (int c : covered) sum += c;
  return sum;
}

// A disc of radius r about (cx, cy) as row spans, added to the region and
// marked in `mask`.
void AddDisc(TDamageRegion& region, std::vector<int>& mask, int cx, int cy, int r) {
  for (int y = cy - r; y < cy + r; ++y) {
    const double dy = y + 0.5 - cy;
    const int half = int(std::sqrt(std::max(0.0, double(r) * r - dy * dy)));
    if (half == 0) continue;
    region.Rows().Add(y, cx - half, cx + half);
    if (y < 0 || y >= H) continue;
    for (int x = std::max(cx - half, 0); x < std::min(cx + half, W); ++x) mask[size_t(y) * W + size_t(x)] = 1;
  }
}

TEST(TDamageRegion, RectanglesCoverEveryChangeOnceInBandsAtAnyPrice) {
  TDamageRegion region;
  region.Resize(W, H);
  EXPECT_TRUE(region.All());
  EXPECT_EQ(region.Rects(Moderate), (std::vector<TRect>{{0, 0, W, H}}));
  region.Reset();
  EXPECT_TRUE(region.None());
  EXPECT_TRUE(region.Rects(Moderate).empty());
  std::mt19937 random(5);
  std::vector<int> mask(size_t(W) * H, 0);
  for (int i = 0; i < 40; ++i) {
    // Rectangles and discs, some crowding one row group with more spans
    // than it keeps apart, some sticking out of the surface.
    const int x = int(random() % (W + 40)) - 20, y = int(random() % (H + 40)) - 20;
    if (i % 3 == 0) {
      const TRect r{x, y, x + 1 + int(random() % 60), y + 1 + int(random() % 9)};
      region.Add(r);
      for (int yy = std::max(r.Top, 0); yy < std::min(r.Bottom, H); ++yy) {
        for (int xx = std::max(r.Left, 0); xx < std::min(r.Right, W); ++xx) mask[size_t(yy) * W + size_t(xx)] = 1;
      }
    } else {
      AddDisc(region, mask, x, y, 3 + int(random() % 40));
    }
  }
  for (const TCost& price : Prices) {
    const auto covered = Coverage(region.Rects(price), W, H);
    for (size_t i = 0; i < mask.size(); ++i) {
      if (mask[i]) {
        ASSERT_EQ(covered[i], 1) << "price " << price.Rect << ": " << i % W << "," << i / W << " left out";
      }
    }
  }
}

TEST(TDamageRegion, ARoundPatchIsSentInStripsFollowingItsOutlineAsFarAsTheyPay) {
  TDamageRegion region;
  region.Resize(W, H);
  region.Reset();
  std::vector<int> mask(size_t(W) * H, 0);
  // A bubble and its shadow, and one more far to the right in the same rows.
  AddDisc(region, mask, 80, 90, 60);
  AddDisc(region, mask, 92, 102, 60);
  AddDisc(region, mask, 250, 90, 30);
  const int64_t drawn = Sum(mask);
  const int64_t boxes = int64_t(152 - 20) * (162 - 30) + 60 * 60;
  // Priced out of every cut, everything is one box, rows in whole groups.
  TRect box{W, H, 0, 0};
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      if (mask[size_t(y) * W + size_t(x)]) box = TRect{std::min(box.Left, x), std::min(box.Top, y),
                                                      std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
    }
  }
  const int group = TTouchedRows::GroupRows;
  box.Top = box.Top / group * group;
  box.Bottom = (box.Bottom + group - 1) / group * group;
  EXPECT_EQ(region.Rects(TCost{int64_t(1) << 40, 0}), std::vector<TRect>{box});
  // At a moderate price a few strips send far less than each bubble's box.
  auto covered = Coverage(region.Rects(Moderate), W, H);
  EXPECT_LT(Sum(covered), boxes * 85 / 100);
  EXPECT_LE(region.Rects(Moderate).size(), 40u);
  // Almost free, the strips are the spans of each group of rows.
  covered = Coverage(region.Rects(TCost{1, 0}), W, H);
  EXPECT_LT(Sum(covered), drawn * 105 / 100);
  // The gap between the two bubbles costs more than a rectangle more, until
  // each row of a rectangle costs more than the gap.
  for (const TCost& price : {TCost{1, 0}, Moderate, TCost{128, 32}}) {
    covered = Coverage(region.Rects(price), W, H);
    EXPECT_EQ(covered[size_t(90) * W + 200], 0) << "price " << price.Rect << ", " << price.Row;
  }
  covered = Coverage(region.Rects(TCost{128, 100}), W, H);
  EXPECT_EQ(covered[size_t(90) * W + 200], 1);
}

// Frames of bubbles that move, overlap, turn and leave the surface, over a
// background copied again each frame (mostly), the way the saver draws.
class TBubbleFrames {
 public:
  explicit TBubbleFrames(uint32_t seed) : random_(seed), background_(Noise(W, H, seed + 1)), other_(Noise(40, 30, 3)) {
    for (int i = 0; i < 8; ++i) {
      bubbles_.push_back(TBubble{float(random_() % W), float(random_() % H), float(int(random_() % 15) - 7),
                                 float(int(random_() % 15) - 7), 40 + int(random_() % 60), i % 3 == 0});
    }
  }

  // Draws one frame; `copy` false draws over the last one.
  void Draw(TCpuCompositor& compositor, int frame, bool copy) {
    if (copy) {
      compositor.Clear(TRect{0, 0, W, H}, 0);
      compositor.Copy(background_.data(), W, H, TRect{0, 0, W, H}, 0, 0, 7, 1);
    }
    TD3DTLVertex v[4];
    for (TBubble& b : bubbles_) {
      // Some bubbles wander far out of the surface and come back.
      b.X += b.Dx;
      b.Y += b.Dy;
      if (b.X < -120 || b.X > W + 120) b.Dx = -b.Dx;
      if (b.Y < -120 || b.Y > H + 120) b.Dy = -b.Dy;
      const float angle = b.Turned ? 0.02f * float(frame) : 0.0f;
      Square(v, b.X + 9, b.Y + 12, b.Size, angle, 0xFF000000u);
      compositor.DrawStrip(v, 4, shadow_, AlphaBlend());
      Square(v, b.X, b.Y, b.Size, angle, 0xFF000000u | (random_() & 0xFFFFFF));
      compositor.DrawStrip(v, 4, body_, AlphaBlend());
      // The front of a turned bubble lies exactly on its body.
      if (b.Turned) {
        for (auto& corner : v) corner.color = 0xFFFFFFFFu;
        compositor.DrawStrip(v, 4, front_, AlphaBlend());
      }
    }
    if (frame % 4 == 1) {
      // Untextured squares and clears touch their whole squares.
      Square(v, float(random_() % W), float(random_() % H), 30, 0, 0x80FF0000u);
      compositor.DrawStrip(v, 4, nullptr, AlphaBlend());
      compositor.Clear(TRect{frame * 7 % W, 150, frame * 7 % W + 20, 170}, random_() & 0xFFFFFF);
    }
    if (frame % 5 == 2) compositor.Copy(other_.data(), 40, 30, TRect{0, 0, 40, 30}, int(random_() % W), 20);
  }

  std::mt19937 random_;

 private:
  struct TBubble {
    float X, Y, Dx, Dy;
    int Size;
    bool Turned;
  };
  std::vector<uint32_t> background_;
  std::vector<uint32_t> other_;
  std::vector<TBubble> bubbles_;
  std::shared_ptr<TCpuTexels> shadow_ = BubbleTexels(128, 1);
  std::shared_ptr<TCpuTexels> body_ = BubbleTexels(128, 2);
  std::shared_ptr<TCpuTexels> front_ = BubbleTexels(128, 3);
};

// Presents frame after frame and checks each time that every pixel that
// differs from what the last present showed lies in the rectangles sent.
void ExpectPresentsShowEveryChange(TCpuCompositor& compositor, TBubbleFrames& frames, int firstCopy,
                                   int64_t* sent = nullptr) {
  std::vector<uint32_t> shown(size_t(W) * H, 0);
  for (int frame = 0; frame < 24; ++frame) {
    frames.Draw(compositor, frame, frame >= firstCopy && frame % 7 != 6);
    // Asked before the flush, as a present that copies band by band does,
    // or after it, as one that draws in the window does.
    const bool before = frame % 3 == 0;
    if (!before) compositor.Flush();
    TDamageRegion& damage = compositor.PresentDamage();
    const std::vector<TRect> rects = damage.Rects(Prices[frame % 3]);
    damage.Reset();
    if (before) compositor.Flush();
    const auto covered = Coverage(rects, W, H);
    for (size_t i = 0; i < shown.size(); ++i) {
      if (compositor.Pixels()[i] != shown[i]) {
        ASSERT_EQ(covered[i], 1) << "frame " << frame << ": " << i % W << "," << i / W << " changed but not sent";
      }
    }
    if (frame >= firstCopy + 2 && sent) *sent += Sum(covered);
    shown.assign(compositor.Pixels(), compositor.Pixels() + shown.size());
  }
}

class TCpuCompositorDamage : public ::testing::TestWithParam<TSpanKernel> {};

TEST_P(TCpuCompositorDamage, EveryPixelChangedSinceThePresentIsSentByTheNext) {
  for (const int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    TCpuCompositor compositor(threads, GetParam());
    compositor.Resize(W, H);
    TBubbleFrames frames(11);
    ExpectPresentsShowEveryChange(compositor, frames, 0);
  }
}

TEST_P(TCpuCompositorDamage, ChangesBeforeAnyBackgroundCopyAreSentToo) {
  // Without a copy the restore keeps no record, and the same turned
  // bubble drawn again after a present must still count.
  TCpuCompositor compositor(2, GetParam());
  compositor.Resize(W, H);
  TBubbleFrames frames(12);
  ExpectPresentsShowEveryChange(compositor, frames, 10);
}

TEST_P(TCpuCompositorDamage, ATurnedBubbleRetintedInPlaceIsSentEveryFrame) {
  // The same triangles frame after frame, with no background copy: what was
  // noted for one present must be noted again for the next.
  const auto texels = BubbleTexels(128, 6);
  TCpuCompositor compositor(1, GetParam());
  compositor.Resize(W, H);
  std::vector<uint32_t> shown(size_t(W) * H, 0);
  for (int frame = 0; frame < 4; ++frame) {
    TD3DTLVertex v[4];
    Square(v, 150, 100, 81, 0.1f, 0xFF000000u | uint32_t(0x305070 * (frame + 1)));
    compositor.DrawStrip(v, 4, texels, AlphaBlend());
    compositor.Flush();
    TDamageRegion& damage = compositor.PresentDamage();
    const auto covered = Coverage(damage.Rects(Moderate), W, H);
    damage.Reset();
    for (size_t i = 0; i < shown.size(); ++i) {
      if (compositor.Pixels()[i] != shown[i]) {
        ASSERT_EQ(covered[i], 1) << "frame " << frame << ": " << i % W << "," << i / W << " changed but not sent";
      }
    }
    shown.assign(compositor.Pixels(), compositor.Pixels() + shown.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, TCpuCompositorDamage, EveryKernelLevel(), KernelLevelName);

TEST(TCpuCompositorDamageSize, MovingBubblesAreSentInFarLessThanTheirBoundingBoxes) {
  // Four bubbles with shadows drift over a background copied every frame;
  // each present sends last frame's places and this frame's, which the
  // bubbles' bounding boxes would cover.
  const auto texels = BubbleTexels(128, 2);
  const auto background = Noise(W, H, 4);
  TCpuCompositor compositor(1);
  compositor.Resize(W, H);
  std::vector<int> boxed(size_t(W) * H, 0), last(size_t(W) * H, 0);
  for (int frame = 0; frame < 8; ++frame) {
    std::vector<int> now(size_t(W) * H, 0);
    compositor.Copy(background.data(), W, H, TRect{0, 0, W, H}, 0, 0, 7, 1);
    for (int i = 0; i < 4; ++i) {
      const float x = float(50 + (i / 2) * 140 + frame * 3), y = float(50 + (i % 2) * 95 + frame * 2);
      TD3DTLVertex v[4];
      Square(v, x + 8, y + 8, 91, 0.0f, 0xFF000000u);
      compositor.DrawStrip(v, 4, texels, AlphaBlend());
      Square(v, x, y, 91, 0.0f, 0xFF4080C0u);
      compositor.DrawStrip(v, 4, texels, AlphaBlend());
      for (int yy = int(y) - 45; yy < std::min(int(y) + 8 + 46, H); ++yy) {
        for (int xx = int(x) - 45; xx < int(x) + 8 + 46; ++xx) now[size_t(yy) * W + size_t(xx)] = 1;
      }
    }
    compositor.Flush();
    TDamageRegion& damage = compositor.PresentDamage();
    const int64_t sent = Sum(Coverage(damage.Rects(Moderate), W, H));
    damage.Reset();
    int64_t boxes = 0;
    for (size_t p = 0; p < now.size(); ++p) boxes += now[p] | last[p];
    if (frame > 0) {
      EXPECT_LT(sent, boxes * 9 / 10) << "frame " << frame;
    }
    last = now;
  }
}

TEST(TCpuCompositorDamageSize, WorkAlreadyPresentedIsNotPresentedAgain) {
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
  const auto covered = Coverage(compositor.PresentDamage().Rects(Moderate), W, H);
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
// note the turned bubbles' rows as they draw them: shadow, body and front of bubbles
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

TEST(TCpuCompositorDamage, DamageOfBandsDrawnOnThreadsIsWhatOneThreadNotes) {
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
      const std::vector<TRect> rects = banded.PresentDamage().Rects(Moderate);
      ASSERT_EQ(rects, alone.PresentDamage().Rects(Moderate)) << "turned " << turned << ", frame " << frame;
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
