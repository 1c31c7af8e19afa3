#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "render/backends/cpu/TCpuCompositor.h"
#include "render/BorderedPicture.h"
#include "render_cpu/CompositorFixtures.h"

namespace {

using namespace fixtures;

constexpr int Width = 97;
constexpr int Height = 61;

struct Draw {
  float X, Y;
  int Size;
  float Angle;
  uint32_t Color;
  bool Truncate = true;
  // The bubble texture when not given.
  std::shared_ptr<const TCpuTexels> Texels = nullptr;
};

// Draws the squares on both the compositor and the reference over the same
// background and compares every pixel.
void ExpectSameAsReference(const std::vector<Draw>& draws, int threads = 1, TSpanKernel kernel = TSpanKernel::Best,
                           const TRect& viewport = TRect{0, 0, Width, Height}) {
  const auto texels = BubbleTexels(256, 3);
  const auto background = Noise(Width, Height, 11);
  TCpuCompositor compositor(threads, kernel);
  compositor.Resize(Width, Height);
  ASSERT_TRUE(compositor.Copy(background.data(), Width, Height, TRect{0, 0, Width, Height}, 0, 0));
  compositor.SetViewport(viewport);
  std::vector<uint32_t> expected = background;
  for (const Draw& d : draws) {
    TD3DTLVertex v[4];
    Square(v, d.X, d.Y, d.Size, d.Angle, d.Color, d.Truncate);
    const auto& drawn = d.Texels ? d.Texels : texels;
    compositor.DrawStrip(v, 4, drawn, AlphaBlend());
    reference::Square(expected, Width, Height, v, AsReference(*drawn), viewport);
  }
  compositor.Flush();
  const std::vector<uint32_t> got(compositor.Pixels(), compositor.Pixels() + size_t(Width) * Height);
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i], expected[i]) << "pixel " << i % Width << ", " << i / Width;
  }
}

TEST(TCpuCompositor, AxisAlignedSquaresOfOddAndEvenSizesMatchTheReference) {
  std::vector<Draw> draws;
  const int sizes[] = {1, 2, 3, 17, 36, 37, 45, 91, 182, 183, 256, 300};
  int i = 0;
  for (int size : sizes) {
    draws.push_back(Draw{float(10 + (i * 37) % 80), float(8 + (i * 23) % 50), size, 0.0f, 0xFF000000u | uint32_t(i * 0x1F3D5B)});
    ++i;
  }
  ExpectSameAsReference(draws);
}

TEST(TCpuCompositor, SquaresCutByEveryScreenEdgeMatchTheReference) {
  // Left, right, top, bottom, the corners, and squares entirely outside.
  ExpectSameAsReference({{-20, 30, 60, 0, 0xFFFFFFFF},
                         {Width + 15, 30, 60, 0, 0xFF80FF20},
                         {48, -25, 70, 0, 0xFF000000},
                         {48, Height + 20, 70, 0, 0xFFFFFFFF},
                         {-5, -5, 40, 0, 0xFF102030},
                         {Width, Height, 40, 0, 0xFFFFFFFF},
                         {-200, 30, 60, 0, 0xFFFFFFFF},
                         {48, Height + 200, 60, 0, 0xFFFFFFFF},
                         {-12, Height - 3, 50, 0.3f, 0xFFFFFFFF},
                         {Width + 3, -8, 50, 0.7f, 0xFF00FFFF}});
}

TEST(TCpuCompositor, TurnedSquaresMatchTheReference) {
  std::vector<Draw> draws;
  const float angles[] = {0.01f, 0.125f, 0.25f, 0.33f, 0.5f, 0.61f, 0.75f, 0.999f, -0.2f};
  int i = 0;
  for (float angle : angles) {
    draws.push_back(Draw{float(12 + (i * 31) % 75), float(10 + (i * 17) % 45), 20 + 9 * i, angle, 0xFF000000u | uint32_t(i * 0x2A4C6E)});
    ++i;
  }
  ExpectSameAsReference(draws);
}

TEST(TCpuCompositor, RandomTurnedSquaresMatchTheReferenceOnEveryKernelAndBand) {
  // Edges of every slope, corners between pixels, squares cut by the
  // screen: each row's span and first texel are carried from the row above,
  // and must still be what the geometry gives afresh.
  std::mt19937 random(23);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<Draw> draws;
  for (int i = 0; i < 40; ++i) {
    const uint32_t tints[] = {0xFFFFFFFF, 0xFF000000, 0xFF000000u | uint32_t(random() & 0xFFFFFF)};
    draws.push_back(Draw{unit(random) * (Width + 40) - 20, unit(random) * (Height + 40) - 20,
                         3 + int(random() % 120), unit(random) * 2 - 1, tints[i % 3], i % 2 == 0});
  }
  for (TSpanKernel kernel : {TSpanKernel::Scalar, TSpanKernel::Sse2, TSpanKernel::Avx2}) {
    ExpectSameAsReference(draws, 1, kernel);
    ExpectSameAsReference(draws, 3, kernel);
  }
}

// Textures whose rows start and end clear in every way: round, clear rows,
// borders of random widths, a single visible texel, clear holes inside, wholly
// clear and wholly opaque.
std::vector<std::shared_ptr<const TCpuTexels>> ClearEdgedTextures(std::mt19937& random) {
  std::vector<std::shared_ptr<const TCpuTexels>> textures;
  auto round = BubbleTexels(64, 9);
  for (int y = 0; y < 64; y += 7) {
    for (int x = 0; x < 64; ++x) round->Pixels[size_t(y) * 64 + size_t(x)] &= 0x00FFFFFF;
  }
  round->Measure();
  textures.push_back(round);
  for (const auto& [w, h] : {std::pair{5, 7}, std::pair{33, 19}, std::pair{256, 256}}) {
    auto ragged = std::make_shared<TCpuTexels>(w, h);
    for (int y = 0; y < h; ++y) {
      int left = int(random() % uint32_t(w)), right = int(random() % uint32_t(w));
      if (y % 4 == 3) right = w - 1 - left;  // one visible texel
      for (int x = 0; x < w; ++x) {
        const bool clear = x < left || x > w - 1 - right || (random() % 5 == 0 && y % 4 != 3) || y % 4 == 1;
        const uint32_t alpha = clear ? 0 : 1 + random() % 255;
        ragged->Pixels[size_t(y) * size_t(w) + size_t(x)] = alpha << 24 | (random() & 0xFFFFFF);
      }
    }
    ragged->Measure();
    textures.push_back(ragged);
  }
  auto clear = std::make_shared<TCpuTexels>(16, 16);
  for (auto& texel : clear->Pixels) texel = random() & 0xFFFFFF;
  clear->Measure();
  textures.push_back(clear);
  auto opaque = std::make_shared<TCpuTexels>(24, 24);
  for (auto& texel : opaque->Pixels) texel = 0xFF000000u | (random() & 0xFFFFFF);
  opaque->Measure();
  textures.push_back(opaque);
  return textures;
}

TEST(TCpuCompositor, RandomStraightSquaresSkipOnlyClearTexels) {
  // Straight squares leave out the clear ends of each row: from small
  // textures blown up, from large ones shrunk, and beyond the size kept
  // scaled (read through the columns), cut by the screen's edges, under
  // every tint.
  std::mt19937 random(31);
  const auto textures = ClearEdgedTextures(random);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<Draw> draws;
  for (int i = 0; i < 80; ++i) {
    const uint32_t tints[] = {0xFFFFFFFF, 0xFF000000, 0xFF000000u | uint32_t(random() & 0xFFFFFF)};
    // Every fourth is too big to be kept scaled; each texture is drawn so
    // with its left and with its right edge on the screen.
    const int big = i % 4 == 0 ? i / 4 : -1;
    const int size = big >= 0 ? 520 + int(random() % 300) : 1 + int(random() % 140);
    float x = unit(random) * (Width + 40) - 20, y = unit(random) * (Height + 40) - 20;
    size_t texture = size_t(i) % textures.size();
    if (big >= 0) {
      texture = size_t(big) % textures.size();
      x += float(big / 2 % 2 ? -size / 2 : size / 2);
      y += float(big % 3 ? -size / 2 : size / 2);
    }
    draws.push_back(Draw{x, y, size, 0.0f, tints[i % 3], i % 2 == 0, textures[texture]});
  }
  // A few at a time: a big square would hide every mistake drawn before it.
  for (size_t first = 0; first < draws.size(); first += 4) {
    const std::vector<Draw> few(draws.begin() + long(first), draws.begin() + long(first + 4));
    for (TSpanKernel kernel : {TSpanKernel::Scalar, TSpanKernel::Sse2, TSpanKernel::Avx2}) {
      ExpectSameAsReference(few, 1, kernel);
      ExpectSameAsReference(few, 3, kernel);
    }
  }
}

TEST(TCpuCompositor, BubblesDrawnAsLayersTogetherMatchTheReference) {
  // Straight bubbles the way the frame draws them, each a shadow at (20, 30)
  // under a black tint, a tinted body, often a smaller picture and a white
  // front, run together as one bubble's layers: placed anywhere, partly off
  // the screen and cut by the viewport, of odd and even sizes, from round,
  // ragged, clear and opaque textures, on every kernel and band split.
  constexpr int W = 230, H = 150;
  std::mt19937 random(57);
  auto textures = ClearEdgedTextures(random);
  textures.push_back(BubbleTexels(256, 21));
  textures.push_back(BubbleTexels(64, 22));
  const auto background = Noise(W, H, 17);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const TRect viewports[] = {{0, 0, W, H}, {13, 7, W - 21, H - 9}, {40, 30, 41, H}};
  for (int frame = 0; frame < 6; ++frame) {
    struct TSquare {
      TD3DTLVertex Corners[4];
      std::shared_ptr<const TCpuTexels> Texels;
    };
    std::vector<TSquare> squares;
    for (int bubble = 0; bubble < 10; ++bubble) {
      const float x = unit(random) * (W + 80) - 60, y = unit(random) * (H + 80) - 60;
      const int size = 1 + int(random() % 150);
      const bool truncate = random() % 4 != 0;
      const auto texture = [&] { return textures[random() % textures.size()]; };
      const uint32_t tints[] = {0xFFFFFFFF, 0xFF000000, 0xFF000000u | uint32_t(random() & 0xFFFFFF)};
      TSquare square;
      Square(square.Corners, x + 20, y + 30, size, 0, 0, truncate);
      square.Texels = texture();
      squares.push_back(square);
      Square(square.Corners, x, y, size, 0, tints[random() % 3], truncate);
      square.Texels = texture();
      squares.push_back(square);
      if (random() % 3 != 0) {
        Square(square.Corners, x + 0.5f, y, size * 5 / 9, 0, 0xFFFFFFFF, false);
        square.Texels = texture();
        squares.push_back(square);
      }
      Square(square.Corners, x, y, size, 0, 0xFFFFFFFF, truncate);
      square.Texels = texture();
      squares.push_back(square);
    }
    const TRect& viewport = viewports[frame % 3];
    std::vector<uint32_t> expected = background;
    for (const TSquare& square : squares) {
      reference::Square(expected, W, H, square.Corners, AsReference(*square.Texels), viewport);
    }
    for (TSpanKernel kernel : {TSpanKernel::Scalar, TSpanKernel::Sse2, TSpanKernel::Avx2}) {
      for (int threads : {1, 3}) {
        TCpuCompositor compositor(threads, kernel);
        compositor.Resize(W, H);
        compositor.Copy(background.data(), W, H, TRect{0, 0, W, H}, 0, 0);
        compositor.SetViewport(viewport);
        for (const TSquare& square : squares) compositor.DrawStrip(square.Corners, 4, square.Texels, AlphaBlend());
        compositor.Flush();
        const std::vector<uint32_t> got(compositor.Pixels(), compositor.Pixels() + size_t(W) * H);
        for (size_t i = 0; i < got.size(); ++i) {
          ASSERT_EQ(got[i], expected[i]) << "frame " << frame << ", " << SpanKernelName(kernel) << ", " << threads
                                         << " threads, pixel " << i % W << ", " << i / W;
        }
      }
    }
  }
}

TEST(TCpuCompositor, BandsRunARowSliceAtATimeMatchTheReferenceAcrossEverySliceEdge) {
  // A band runs every draw over a few rows before the next few. Straight
  // bubbles (shadow, tinted body, white front) and clears whose first or
  // last row falls on, before or after a multiple of 8 or 16, over a
  // restored background, with and without a turned bubble in the flush,
  // on every kernel, one thread and three threads cutting the frame into
  // bands.
  constexpr int W = 180, H = 230;
  std::mt19937 random(61);
  const auto background = Noise(W, H, 19);
  const auto round = BubbleTexels(64, 23);
  const auto ragged = BubbleTexels(256, 24);
  for (int frame = 0; frame < 4; ++frame) {
    struct TSquare {
      TD3DTLVertex Corners[4];
      std::shared_ptr<const TCpuTexels> Texels;
    };
    std::vector<TSquare> draws;
    std::vector<TRect> clears;
    for (int bubble = 0; bubble < 12; ++bubble) {
      const int edge = 16 * int(1 + random() % 12) + int(random() % 3) - 1 - (bubble % 2) * 8;
      const int size = 4 + int(random() % 90);
      const float x = float(random() % (W + 40)) - 20;
      // The body's top row (shadow 30 below) lands at the edge; or its
      // last row does.
      const float y = bubble % 3 == 2 ? float(edge - size + size / 2) : float(edge + size / 2);
      const float angle = frame % 2 == 1 && bubble == 5 ? 0.06f : 0.0f;
      const uint32_t tint = 0xFF000000u | uint32_t(random() & 0xFFFFFF);
      TSquare square;
      Square(square.Corners, x + 20, y + 30, size, angle, 0xFF000000u);
      square.Texels = round;
      draws.push_back(square);
      Square(square.Corners, x, y, size, angle, tint);
      square.Texels = ragged;
      draws.push_back(square);
      Square(square.Corners, x, y, size, angle, 0xFFFFFFFF);
      square.Texels = round;
      draws.push_back(square);
    }
    for (int i = 0; i < 3; ++i) {
      const int top = 16 * int(1 + random() % 12) - 1 + i;
      clears.push_back(TRect{int(random() % W), top, W - int(random() % 40), top + 1 + int(random() % 20)});
    }
    std::vector<uint32_t> expected = background;
    for (const TSquare& square : draws) {
      reference::Square(expected, W, H, square.Corners, AsReference(*square.Texels), TRect{0, 0, W, H});
    }
    for (const TRect& clear : clears) {
      for (int y = clear.Top; y < std::min(clear.Bottom, H); ++y) {
        for (int x = clear.Left; x < clear.Right; ++x) expected[size_t(y) * W + size_t(x)] = 0x123456;
      }
    }
    for (TSpanKernel kernel : {TSpanKernel::Scalar, TSpanKernel::Sse2, TSpanKernel::Avx2}) {
      for (int threads : {1, 3}) {
        TCpuCompositor compositor(threads, kernel);
        compositor.Resize(W, H);
        // A frame drawn before, so that the background's copy restores
        // only where it touched.
        for (int pass = 0; pass < 2; ++pass) {
          compositor.Copy(background.data(), W, H, TRect{0, 0, W, H}, 0, 0, 5, 1);
          for (const TSquare& square : draws) compositor.DrawStrip(square.Corners, 4, square.Texels, AlphaBlend());
          for (const TRect& clear : clears) compositor.Clear(clear, 0x123456);
          compositor.Flush([](int, int, int) {}, TCpuCompositor::LightFlushPixels);
        }
        const std::vector<uint32_t> got(compositor.Pixels(), compositor.Pixels() + size_t(W) * H);
        for (size_t i = 0; i < got.size(); ++i) {
          ASSERT_EQ(got[i], expected[i]) << "frame " << frame << ", " << SpanKernelName(kernel) << ", " << threads
                                         << " threads, pixel " << i % W << ", " << i / W;
        }
      }
    }
  }
}

TEST(TCpuCompositor, PreviewSizesAndFractionalCornersMatchTheReference) {
  // round(182 x 0.15), round(100 x 0.15) and corners between pixels.
  ExpectSameAsReference({{20.5f, 20.25f, 27, 0, 0xFFFFFFFF, false},
                         {50.75f, 30.5f, 15, 0, 0xFF406080, false},
                         {70.5f, 40.5f, 27, 0.2f, 0xFFFFFFFF, false},
                         {30, 45, 27, 0, 0xFF000000},
                         {35.4f, 47.6f, 14, 0, 0xFFFFFFFF, false}});
}

TEST(TCpuCompositor, ViewportClipsDrawsAndTheShadowTintStaysBlack) {
  ExpectSameAsReference({{40, 30, 60, 0, 0xFF000000}, {40, 30, 60, 0.1f, 0xFFFFFFFF}}, 1, TSpanKernel::Best,
                        TRect{10, 5, 70, 50});
}

// A frame big enough for several bands, drawn by every thread count and
// kernel: all must leave the same bits as one scalar thread.
TEST(TCpuCompositor, ThreadsAndKernelsLeaveTheSameBitsAsOneScalarThread) {
  constexpr int W = 640, H = 400;
  const auto texels = BubbleTexels(256, 5);
  const auto picture = BubbleTexels(256, 6);
  const auto background = Noise(W, H, 13);
  auto frame = [&](int threads, TSpanKernel kernel) {
    TCpuCompositor compositor(threads, kernel);
    compositor.Resize(W, H);
    compositor.Clear(TRect{0, 0, W, H}, 0);
    compositor.Copy(background.data(), W, H, TRect{0, 0, W, H}, 0, 0);
    for (int i = 0; i < 60; ++i) {
      TD3DTLVertex v[4];
      const float x = float((i * 97) % W), y = float((i * 61) % H), angle = (i % 3 == 0) ? 0.07f * float(i) : 0.0f;
      Square(v, x + 20, y + 30, 182, angle, 0);
      compositor.DrawStrip(v, 4, texels, AlphaBlend());
      Square(v, x, y, 182, angle, 0xFF000000u | uint32_t(i * 0x030507));
      compositor.DrawStrip(v, 4, texels, AlphaBlend());
      Square(v, x, y, 100, angle, 0xFFFFFFFF);
      compositor.DrawStrip(v, 4, picture, AlphaBlend());
    }
    // Counted as heavy, so that more than one thread cuts it into bands.
    compositor.Flush([](int, int, int) {}, TCpuCompositor::LightFlushPixels);
    return std::vector<uint32_t>(compositor.Pixels(), compositor.Pixels() + size_t(W) * H);
  };
  const auto single = frame(1, TSpanKernel::Scalar);
  EXPECT_EQ(frame(1, TSpanKernel::Sse2), single);
  EXPECT_EQ(frame(1, TSpanKernel::Avx2), single);
  EXPECT_EQ(frame(2, TSpanKernel::Best), single);
  EXPECT_EQ(frame(3, TSpanKernel::Sse2), single);
}

TEST(TCpuCompositor, ClearsAndCopiesKeepTheirOrderAndClipping) {
  TCpuCompositor compositor(2);
  compositor.Resize(8, 6);
  const std::vector<uint32_t> source(4 * 3, 0xAB112233);
  compositor.Clear(TRect{0, 0, 8, 6}, 0xFF445566);
  // Copies ignore the viewport, clears keep to it.
  compositor.SetViewport(TRect{0, 0, 2, 2});
  EXPECT_TRUE(compositor.Copy(source.data(), 4, 3, TRect{1, 1, 4, 3}, 6, 5));
  compositor.Clear(TRect{0, 0, 8, 6}, 0x00778899);
  EXPECT_FALSE(compositor.Copy(source.data(), 4, 3, TRect{0, 0, 4, 3}, 8, 0));
  compositor.Flush();
  EXPECT_EQ(compositor.Row(5)[6], 0x112233u);
  EXPECT_EQ(compositor.Row(5)[7], 0x112233u);
  EXPECT_EQ(compositor.Row(4)[6], 0x445566u);
  EXPECT_EQ(compositor.Row(5)[5], 0x445566u);
  EXPECT_EQ(compositor.Row(1)[1], 0x778899u);
  EXPECT_EQ(compositor.Row(2)[2], 0x445566u);
}

// The surface moves between memory of its own and the window's, before and
// after anything is drawn, and always shows what it showed.
TEST(TCpuCompositor, MovingBetweenMemoriesCarriesThePictureOrTheBlackOfANewSurface) {
  constexpr int W = 8, H = 6;
  const auto all = [](const uint32_t* pixels, uint32_t value) {
    return std::all_of(pixels, pixels + W * H, [&](uint32_t p) { return p == value; });
  };
  TCpuCompositor compositor(1);
  compositor.Resize(W, H);
  std::vector<uint32_t> window(W * H, 0xDEADBEEF);
  compositor.UseMemory(window.data());
  EXPECT_EQ(compositor.Pixels(), window.data());
  EXPECT_TRUE(all(window.data(), 0)) << "a new surface is black in the memory it moves to";

  compositor.Clear(TRect{0, 0, W, H}, 0x00445566);
  compositor.Flush();
  compositor.UseOwnMemory();
  EXPECT_TRUE(all(compositor.Pixels(), 0x445566)) << "the drawn picture moves back with the surface";
  std::vector<uint32_t> other(W * H, 0xDEADBEEF);
  compositor.UseMemory(other.data());
  EXPECT_TRUE(all(other.data(), 0x445566));

  // Resized, it is new again, wherever it goes next.
  compositor.Resize(W, H);
  compositor.UseMemory(window.data());
  EXPECT_TRUE(all(window.data(), 0));
  compositor.UseOwnMemory();
  EXPECT_TRUE(all(compositor.Pixels(), 0));
}

TEST(TCpuCompositor, BlendingOffAndUntexturedDrawsFollowTheDiffuseRules) {
  TCpuCompositor compositor(1);
  compositor.Resize(4, 4);
  const std::vector<uint32_t> grey(16, 0x808080);
  compositor.Copy(grey.data(), 4, 4, TRect{0, 0, 4, 4}, 0, 0);
  auto texels = std::make_shared<TCpuTexels>(1, 1);
  texels->Pixels[0] = 0x10FF8040;
  texels->Measure();
  TD3DTLVertex v[4];
  Square(v, 1, 1, 2, 0, 0xFF808080);
  // No blending: the tinted colour replaces the pixel whatever its alpha.
  compositor.DrawStrip(v, 4, texels, TRenderStates{});
  // No texture: the diffuse colour with its own alpha.
  Square(v, 3, 3, 2, 0, 0x80FF0000);
  compositor.DrawStrip(v, 4, nullptr, AlphaBlend());
  compositor.Flush();
  EXPECT_EQ(compositor.Row(0)[0], 0x804020u);
  EXPECT_EQ(compositor.Row(2)[2], reference::Blend(0x808080, 0x80FF0000, 0xFFFFFF));
  EXPECT_EQ(compositor.Row(0)[3], 0x808080u);
}

TEST(TCpuCompositor, TurnedPicturesShowTheirOwnEdgesAndNothingBeyond) {
  constexpr int W = 160, H = 140;
  auto texels = std::make_shared<TCpuTexels>(bordered::Size, bordered::Size);
  texels->Pixels = bordered::Pixels();
  texels->Measure();
  const reference::Texture texture = AsReference(*texels);
  for (int size : {49, 80, 128}) {
    for (int step = 0; step < 48; ++step) {
      const float turns = float(step) / 48.0f + 0.003f * float(size % 7);
      TD3DTLVertex v[4];
      bordered::Square(v, 80.0f + 0.25f * float(step % 4), 70.0f, size, turns);
      TCpuCompositor compositor(1);
      compositor.Resize(W, H);
      compositor.Clear(TRect{0, 0, W, H}, bordered::Background);
      compositor.DrawStrip(v, 4, texels, AlphaBlend());
      compositor.Flush();
      std::vector<uint32_t> expected(size_t(W) * H, bordered::Background);
      reference::Square(expected, W, H, v, texture, TRect{0, 0, W, H});
      const std::vector<uint32_t> got(compositor.Pixels(), compositor.Pixels() + size_t(W) * H);
      ASSERT_EQ(got, expected) << "size " << size << ", " << turns << " turns";
      EXPECT_EQ(bordered::Stray(got, W, H, v), "") << "size " << size << ", " << turns << " turns";
    }
  }
}

}  // namespace
