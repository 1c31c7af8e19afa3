#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "render/backends/cpu/TCpuCompositor.h"
#include "render/backends/cpu/TTouchedRows.h"
#include "render_cpu/CompositorFixtures.h"

namespace {

using namespace fixtures;

TEST(TTouchedRows, SpansCoverEverythingAddedInOrderAndStayInside) {
  constexpr int W = 400, H = 30;
  TTouchedRows rows;
  rows.Resize(W, H);
  EXPECT_TRUE(rows.All());
  rows.Reset();
  EXPECT_FALSE(rows.All());
  std::vector<TTouchedRows::TRowSpan> spans;
  rows.Collect(TRect{0, 0, W, H}, spans);
  EXPECT_TRUE(spans.empty());
  std::mt19937 random(5);
  std::vector<std::vector<bool>> added(H, std::vector<bool>(W, false));
  for (int i = 0; i < 600; ++i) {
    const int row = int(random() % (H + 4)) - 2;
    const int left = int(random() % (W + 40)) - 20;
    const int right = left + int(random() % (i % 3 ? 12 : 90));
    rows.Add(row, left, right);
    for (int x = std::max(left, 0); x < std::min(right, W); ++x) {
      if (row >= 0 && row < H) added[size_t(row)][size_t(x)] = true;
    }
  }
  rows.Add(TRect{-5, 28, 3, 40});
  for (int y = 28; y < H; ++y) std::fill_n(added[size_t(y)].begin(), 3, true);
  const TRect within{10, 0, 390, 29};
  rows.Collect(within, spans);
  std::vector<std::vector<bool>> collected(H, std::vector<bool>(W, false));
  for (size_t i = 0; i < spans.size(); ++i) {
    const auto& s = spans[i];
    ASSERT_LT(s.Left, s.Right);
    ASSERT_GE(s.Left, within.Left);
    ASSERT_LE(s.Right, within.Right);
    ASSERT_GE(s.Row, within.Top);
    ASSERT_LT(s.Row, within.Bottom);
    if (i > 0) {
      const auto& p = spans[i - 1];
      ASSERT_TRUE(p.Row < s.Row || (p.Row == s.Row && p.Right < s.Left)) << "span " << i;
    }
    for (int x = s.Left; x < s.Right; ++x) collected[size_t(s.Row)][size_t(x)] = true;
  }
  for (int y = within.Top; y < within.Bottom; ++y) {
    for (int x = within.Left; x < within.Right; ++x) {
      ASSERT_TRUE(!added[size_t(y)][size_t(x)] || collected[size_t(y)][size_t(x)]) << x << "," << y;
    }
  }
  // Two changes far apart on a row stay two spans, shared by the few rows
  // about it but not by rows far off; once reset, nothing is left.
  rows.Reset();
  rows.Add(3, 10, 20);
  rows.Add(3, 200, 220);
  rows.Add(3, 215, 230);
  spans.clear();
  rows.Collect(TRect{0, 3, W, 4}, spans);
  ASSERT_EQ(spans.size(), 2u);
  EXPECT_EQ(spans[1].Left, 200);
  EXPECT_EQ(spans[1].Right, 230);
  spans.clear();
  rows.Collect(TRect{0, 0, W, H}, spans);
  EXPECT_GE(spans.size(), 2u);
  EXPECT_LE(spans.size(), 2u * 8);
  rows.AddAll();
  spans.clear();
  rows.Collect(TRect{0, 5, W, 7}, spans);
  ASSERT_EQ(spans.size(), 2u);
  EXPECT_EQ(spans[0].Right - spans[0].Left, W);
}

TEST(TTouchedRows, AShapeAddedWholeLeavesWhatItsRowsAddedOneByOneWould) {
  constexpr int W = 200, H = 60, ShapeHeight = 23;
  std::mt19937 random(8);
  std::vector<int32_t> first(ShapeHeight), last(ShapeHeight);
  for (int r = 0; r < ShapeHeight; ++r) {
    // Rows with nothing visible among them.
    first[size_t(r)] = int32_t(random() % 30);
    last[size_t(r)] = r % 5 == 2 ? first[size_t(r)] - 1 : first[size_t(r)] + int32_t(random() % 40);
  }
  const TTouchedRows::TShape shape = TTouchedRows::MakeShape(first.data(), last.data(), ShapeHeight);
  for (int top = 0; top < 8; ++top) {
    TTouchedRows byShape, byRows;
    byShape.Resize(W, H);
    byRows.Resize(W, H);
    byShape.Reset();
    byRows.Reset();
    byShape.AddShape(shape, 50 + top, top * 3);
    byRows.AddRows(top * 3, top * 3 + ShapeHeight, [&](int row) {
      const size_t r = size_t(row - top * 3);
      return TTouchedRows::TSpan{50 + top + first[r], 50 + top + last[r] + 1};
    });
    std::vector<TTouchedRows::TRowSpan> a, b;
    byShape.Collect(TRect{0, 0, W, H}, a);
    byRows.Collect(TRect{0, 0, W, H}, b);
    ASSERT_EQ(a.size(), b.size()) << "top " << top * 3;
    for (size_t i = 0; i < a.size(); ++i) {
      ASSERT_EQ(a[i].Row, b[i].Row);
      ASSERT_EQ(a[i].Left, b[i].Left);
      ASSERT_EQ(a[i].Right, b[i].Right);
    }
  }
}

// A frame sequence drawn on one compositor, restoring the background only
// where last frame's draws may have touched it, must leave every pixel as a
// fresh compositor drawing the same frame over a whole background does.
constexpr int W = 320;
constexpr int H = 220;
constexpr uint64_t BackgroundId = 7;

// A disc solid right up to its rim, so that a pixel left out of the restore
// at either end of a row shows.
std::shared_ptr<TCpuTexels> DiscTexels(int size) {
  auto texels = std::make_shared<TCpuTexels>(size, size);
  std::mt19937 random(9);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
      const bool inside = dx * dx + dy * dy < size * size / 4.0;
      texels->Pixels[size_t(y) * size_t(size) + size_t(x)] = (inside ? 0xFF000000u : 0u) | (random() & 0xFFFFFF);
    }
  }
  texels->Measure();
  return texels;
}

struct TFrame {
  int Index = 0;
  uint64_t Version = 1;
  TRect Viewport{0, 0, W, H};
};

void DrawFrame(TCpuCompositor& compositor, const std::vector<uint32_t>& background, const std::vector<uint32_t>& other,
               const TFrame& frame, bool banded) {
  const int f = frame.Index;
  const auto bubble = BubbleTexels(256, 2);
  const auto disc = DiscTexels(100);
  // Wider than the scaled copies kept of textures: read through its columns.
  const auto big = BubbleTexels(64, 4);
  // One colour all over, kept as alpha alone.
  const auto whiteOf = [](std::shared_ptr<TCpuTexels> texels) {
    for (uint32_t& texel : texels->Pixels) texel |= 0x00FFFFFF;
    texels->Measure();
    return texels;
  };
  const auto white = whiteOf(BubbleTexels(256, 3));
  const auto whiteDisc = whiteOf(DiscTexels(256));
  compositor.SetViewport(TRect{0, 0, W, H});
  compositor.Clear(TRect{0, 0, W, H}, 0);
  compositor.Copy(background.data(), W, H, TRect{0, 0, W, H}, 0, 0, BackgroundId, frame.Version);
  compositor.SetViewport(frame.Viewport);
  TD3DTLVertex v[4];
  for (int i = 0; i < 7; ++i) {
    // Bubbles move every way, so that last frame's rim is left uncovered.
    const int dx = i % 2 ? 9 : -8, dy = i % 4 < 2 ? 13 : -7;
    const float x = float((i * 53 + f * dx + 10 * (W + 60)) % (W + 60) - 30);
    const float y = float((i * 41 + f * dy + 10 * (H + 60)) % (H + 60) - 30);
    // Shadow, then body; every third bubble turns, and gets a front (and
    // one a picture sticking out) like a turned bubble of the saver, drawn
    // row by row together, its pixels noted by the bands that draw it.
    const bool turned = i % 3 == 0;
    const float angle = turned ? 0.03f * float(f + i) : 0.0f;
    Square(v, x + 20, y + 30, 61 + i * 6, angle, 0xFF000000u);
    compositor.DrawStrip(v, 4, turned && f % 2 ? white : bubble, AlphaBlend());
    Square(v, x, y, 61 + i * 6, angle, 0xFF000000u | uint32_t(i * 0x203040 + 0x102030));
    compositor.DrawStrip(v, 4, turned ? white : i % 2 ? bubble : disc, AlphaBlend());
    if (!turned) continue;
    if (i == 3) {
      TD3DTLVertex p[4];
      Square(p, x, y, 110, angle, 0xFFFFFFFFu);
      compositor.DrawStrip(p, 4, disc, AlphaBlend());
    }
    for (auto& corner : v) corner.color = 0xFFFFFFFFu;
    compositor.DrawStrip(v, 4, f % 3 ? whiteDisc : white, AlphaBlend());
  }
  if (f % 3 == 0) {
    Square(v, float(-220 + f * 11), 120, 600, 0, 0xFFFFFFFFu, false);
    compositor.DrawStrip(v, 4, big, AlphaBlend());
  }
  if (f % 2) {
    // Untextured, unblended and clears touch their whole squares.
    Square(v, float(250 - f * 7), 60, 30, 0, 0x80FF0000u);
    compositor.DrawStrip(v, 4, nullptr, AlphaBlend());
    Square(v, 90, float(30 + f * 5), 24, 0, 0xFF808080u);
    compositor.DrawStrip(v, 4, bubble, TRenderStates{});
    compositor.Clear(TRect{f * 10, 200, f * 10 + 15, 230}, 0x123456);
  }
  if (f == 3 || f == 9) {
    // A copy from another source, named or not, in between: the next
    // background copy must restore it too.
    compositor.Copy(other.data(), 50, 40, TRect{0, 0, 50, 40}, 150, 90, f == 3 ? 0 : 9, 1);
  }
  if (banded) {
    compositor.Flush([](int, int, int) {}, TCpuCompositor::LightFlushPixels);
  } else {
    compositor.Flush();
  }
}

TEST(TCpuCompositorRestore, RestoringOnlyTouchedSpansLeavesWhatAFullRedrawDoes) {
  auto background = Noise(W, H, 21);
  const auto other = Noise(50, 40, 23);
  TCpuCompositor reused(2);
  reused.Resize(W, H);
  std::vector<TFrame> frames;
  for (int f = 0; f < 12; ++f) {
    TFrame frame;
    frame.Index = f;
    // The slideshow hands over a new background at frame 7.
    frame.Version = f < 7 ? 1 : 2;
    if (f >= 4 && f < 6) frame.Viewport = TRect{25, 15, W - 40, H - 20};
    frames.push_back(frame);
  }
  for (const TFrame& frame : frames) {
    if (frame.Index == 7) {
      // In place, as the slideshow does: only the version tells.
      const auto next = Noise(W, H, 22);
      std::copy(next.begin(), next.end(), background.begin());
    }
    DrawFrame(reused, background, other, frame, frame.Index % 2 == 0);
    TCpuCompositor fresh(1);
    fresh.Resize(W, H);
    DrawFrame(fresh, background, other, frame, false);
    for (size_t i = 0; i < size_t(W) * H; ++i) {
      ASSERT_EQ(reused.Pixels()[i], fresh.Pixels()[i]) << "frame " << frame.Index << " pixel " << i % W << ","
                                                        << i / W;
    }
  }
}

}  // namespace
