#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "render/backends/cpu/TCpuCompositor.h"
#include "render_cpu/CompositorFixtures.h"
#include "render_cpu/KernelLevels.h"

// Turned bubbles drawn the way the frame draws them (shadow, tinted body,
// picture on some, white front with the body's corners) are drawn row by
// row together, body and front along one walk; every pixel must still be
// what the squares drawn one by one under the reference rule give.

namespace {

using namespace fixtures;

constexpr int Width = 173;
constexpr int Height = 131;

// White texels whose alpha is round, ragged, clear in rows or opaque: what
// the style images look like, plus their worst cases; shape 4 is round with
// a clear rim, so that rows are cut to the texels that show, and shape 5
// shows its middle ninth alone. `grey` gives each texel its own grey,
// `colour` one colour for all.
std::shared_ptr<TCpuTexels> StyleTexels(int size, uint32_t seed, int shape, bool grey, uint32_t colour) {
  auto texels = BubbleTexels(size, seed);
  std::mt19937 random(seed);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      uint32_t& texel = texels->Pixels[size_t(y) * size_t(size) + size_t(x)];
      uint32_t alpha = texel >> 24;
      if (shape == 1 && (y % 5 == 2 || random() % 7 == 0)) alpha = 0;
      if (shape == 2) alpha = 255;
      if (shape == 3 && random() % 3 == 0) alpha = random() % 256;
      const int rim = 1 + int(seed % 3);
      if (shape == 4 && (x < rim || y < rim || x >= size - rim || y >= size - rim)) alpha = 0;
      if (shape == 5 && (x < size / 3 || y < size / 3 || x >= size - size / 3 || y >= size - size / 3)) alpha = 0;
      const uint32_t g = random() & 0xFF;
      texel = alpha << 24 | (grey ? g * 0x010101u : colour);
    }
  }
  texels->Measure();
  return texels;
}

struct Square {
  TD3DTLVertex Corners[4];
  std::shared_ptr<const TCpuTexels> Texels;
};

void ExpectSameAsReference(const std::vector<Square>& squares, int threads, TSpanKernel kernel,
                           const TRect& viewport) {
  const auto background = Noise(Width, Height, 17);
  TCpuCompositor compositor(threads, kernel);
  compositor.Resize(Width, Height);
  ASSERT_TRUE(compositor.Copy(background.data(), Width, Height, TRect{0, 0, Width, Height}, 0, 0));
  compositor.SetViewport(viewport);
  std::vector<uint32_t> expected = background;
  for (const Square& square : squares) {
    compositor.DrawStrip(square.Corners, 4, square.Texels, AlphaBlend());
    reference::Square(expected, Width, Height, square.Corners, AsReference(*square.Texels), viewport);
  }
  // Counted as a heavy frame, so that more than one thread cuts the surface
  // into bands (of 16 rows here) instead of drawing it in one.
  compositor.Flush([](int, int, int) {}, TCpuCompositor::LightFlushPixels);
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(compositor.Pixels()[i], expected[i])
        << "pixel " << i % Width << ", " << i / Width << ", kernel " << SpanKernelName(kernel) << ", threads "
        << threads;
  }
}

// Steps of a walk moving up to a texel and a fraction a pixel either way,
// the fractions in the parts given.
TWalkSteps RandomSteps(std::mt19937_64& random, int64_t uDenominator, int64_t vDenominator) {
  TWalkSteps steps;
  steps.UDenominator = uDenominator;
  steps.VDenominator = vDenominator;
  steps.UStep = int64_t(random() % 3) - 1;
  steps.VStep = int64_t(random() % 3) - 1;
  steps.UStepPart = int64_t(random() % uint64_t(uDenominator));
  steps.VStepPart = int64_t(random() % uint64_t(vDenominator));
  PlanWalk(steps);
  return steps;
}

// A walk starting on texel (u, v), some way into it.
TTexelWalk RandomStart(std::mt19937_64& random, const TWalkSteps& steps, int64_t u, int64_t v) {
  TTexelWalk start;
  start.U = u;
  start.V = v;
  start.UPart = int64_t(random() % uint64_t(steps.UDenominator));
  start.VPart = int64_t(random() % uint64_t(steps.VDenominator));
  return start;
}

std::vector<Square> RandomBubbles(std::mt19937& random, int count) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  // Bodies and fronts kept as alpha alone and as grey; shadows as alpha.
  const std::vector<std::shared_ptr<const TCpuTexels>> bodies = {
      StyleTexels(64, 1, 0, false, 0xFFFFFF), StyleTexels(64, 2, 1, true, 0), StyleTexels(64, 3, 2, false, 0xC0E0FF),
      StyleTexels(64, 4, 3, true, 0), StyleTexels(64, 15, 4, false, 0xFFFFFF), StyleTexels(64, 16, 4, true, 0)};
  const std::vector<std::shared_ptr<const TCpuTexels>> fronts = {
      StyleTexels(64, 5, 0, true, 0), StyleTexels(64, 6, 3, false, 0xFFFFFF), StyleTexels(64, 7, 1, false, 0xFFFFFF),
      StyleTexels(64, 17, 4, true, 0)};
  const std::vector<std::shared_ptr<const TCpuTexels>> shadows = {
      StyleTexels(64, 8, 0, false, 0), StyleTexels(64, 9, 1, false, 0), StyleTexels(64, 18, 4, false, 0)};
  // Pictures in full colour, grey and one colour; one of another size.
  const std::vector<std::shared_ptr<const TCpuTexels>> pictures = {
      BubbleTexels(48, 10), StyleTexels(48, 11, 3, true, 0), StyleTexels(40, 12, 0, false, 0x3060A0),
      StyleTexels(48, 19, 4, true, 0)};
  // A front of another size or in colour is drawn square by square.
  const auto otherSize = StyleTexels(32, 13, 0, false, 0xFFFFFF);
  const auto coloured = BubbleTexels(64, 14);
  std::vector<Square> squares;
  for (int i = 0; i < count; ++i) {
    const float x = unit(random) * (Width + 60) - 30, y = unit(random) * (Height + 60) - 30;
    const int size = 2 + int(random() % 90);
    const float angle = unit(random) * 2 - 1;
    const bool truncate = i % 3 != 0;
    const uint32_t tints[] = {0xFFFFFFFF, 0xFF000000, 0xFF000000u | uint32_t(random() & 0xFFFFFF)};
    const uint32_t tint = tints[random() % 3];
    Square body, shadow, front;
    fixtures::Square(body.Corners, x, y, size, angle, tint, truncate);
    body.Texels = bodies[random() % bodies.size()];
    shadow = body;
    const float dx = float(int(random() % 41) - 20), dy = float(int(random() % 41) - 10);
    for (auto& corner : shadow.Corners) {
      corner.sx += dx;
      corner.sy += dy;
      corner.color = 0xFF000000u;
    }
    shadow.Texels = shadows[random() % shadows.size()];
    front = body;
    for (auto& corner : front.Corners) corner.color = 0xFFFFFFFFu;
    front.Texels = fronts[random() % fronts.size()];
    if (i % 11 == 5) front.Texels = otherSize;
    if (i % 13 == 7) front.Texels = coloured;
    if (i % 4 != 1) squares.push_back(shadow);
    squares.push_back(body);
    if (i % 3 == 0) {
      Square picture;
      fixtures::Square(picture.Corners, x + unit(random) * 6 - 3, y, 2 + int(random() % 60), angle + 0.01f,
                       0xFFFFFFFF, !truncate);
      if (i % 2 == 0) picture.Corners[1].color = picture.Corners[0].color = 0xFF80FF40u;
      picture.Texels = pictures[random() % pictures.size()];
      squares.push_back(picture);
    }
    squares.push_back(front);
  }
  return squares;
}

TEST(TurnedBubbles, RandomBubblesMatchTheReferenceOnEveryKernelThreadCountAndViewport) {
  std::mt19937 random(41);
  for (int round = 0; round < 6; ++round) {
    const std::vector<Square> squares = RandomBubbles(random, 12);
    const TRect viewports[] = {TRect{0, 0, Width, Height}, TRect{13, 7, Width - 21, Height - 16}};
    for (TSpanKernel kernel : {TSpanKernel::Scalar, TSpanKernel::Sse2, TSpanKernel::Avx2}) {
      for (const TRect& viewport : viewports) {
        ExpectSameAsReference(squares, 1, kernel, viewport);
        ExpectSameAsReference(squares, 3, kernel, viewport);
      }
    }
  }
}

TEST(TurnedBubbles, ShadowsMovedNearAndFarFromTheirBodyMatchTheReference) {
  // A shadow moved by whole pixels takes the body's rows from rows above,
  // as far as rows are kept; one moved farther, up, by part of a pixel or
  // drawn from a texture of another size finds its own rows.
  const auto body = StyleTexels(64, 24, 0, false, 0xFFFFFF);
  const auto front = StyleTexels(64, 25, 3, true, 0);
  const auto shadow = StyleTexels(64, 26, 4, false, 0);
  const auto smallShadow = StyleTexels(48, 27, 0, false, 0);
  const float moves[][2] = {{0, 1}, {7, 0}, {-33, 2}, {17, 62}, {5, 63}, {-4, 64}, {0, 75}, {20, -3}, {3.5f, 30}, {2, 30.25f}};
  std::vector<Square> squares;
  int i = 0;
  for (const auto& move : moves) {
    Square b, s, f;
    // Bodies and shadows wholly on the surface, where nothing cuts them.
    fixtures::Square(b.Corners, float(50 + (i * 37) % (Width - 100)), float(30 + (i * 13) % 20), 24 + (i * 5) % 12,
                     0.05f + 0.11f * float(i), 0xFF000000u | uint32_t(0x305070 * (i + 1)));
    b.Texels = body;
    s = b;
    for (auto& corner : s.Corners) {
      corner.sx += move[0];
      corner.sy += move[1];
      corner.color = 0xFF000000u;
    }
    s.Texels = i % 4 == 3 ? smallShadow : shadow;
    f = b;
    for (auto& corner : f.Corners) corner.color = 0xFFFFFFFFu;
    f.Texels = front;
    squares.insert(squares.end(), {s, b, f});
    ++i;
  }
  for (TSpanKernel kernel : {TSpanKernel::Scalar, TSpanKernel::Avx2}) {
    for (int threads : {1, 2}) ExpectSameAsReference(squares, threads, kernel, TRect{0, 0, Width, Height});
  }
}

TEST(TurnedBubbles, ShadowsWhoseAlphasTheBodysWalkKeepsMatchTheReference) {
  // Body, front and shadow all kept as alpha: the body's walk keeps the
  // shadow's alphas for rows further down, across bands (three threads cut
  // the surface into bands narrower than the farthest move), under pictures
  // and at every edge of the surface and the viewport, where the shadow may
  // lose more pixels than its body or (cut at the top or left) fewer.
  std::mt19937 random(47);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const std::shared_ptr<const TCpuTexels> bodies[] = {StyleTexels(64, 51, 5, false, 0xFFFFFF),
                                                      StyleTexels(64, 52, 4, false, 0xC0E0FF)};
  const std::shared_ptr<const TCpuTexels> fronts[] = {StyleTexels(64, 53, 5, false, 0xFFFFFF),
                                                      StyleTexels(64, 54, 1, false, 0xFFFFFF)};
  // Shadows showing where body and front are clear, too, and one whose
  // rows are cut short where body and front still show.
  const std::shared_ptr<const TCpuTexels> shadows[] = {StyleTexels(64, 55, 2, false, 0),
                                                       StyleTexels(64, 56, 3, false, 0x203040),
                                                       StyleTexels(64, 58, 5, false, 0)};
  const auto picture = StyleTexels(48, 57, 0, true, 0);
  for (int round = 0; round < 4; ++round) {
    std::vector<Square> squares;
    for (int i = 0; i < 10; ++i) {
      Square b, s, f;
      const float x = unit(random) * (Width + 80) - 40, y = unit(random) * (Height + 80) - 40;
      fixtures::Square(b.Corners, x, y, 4 + int(random() % 100), unit(random) * 2 - 1,
                       0xFF000000u | (random() & 0xFFFFFF), i % 3 != 0);
      b.Texels = bodies[random() % 2];
      s = b;
      // Moves of 0 to 75 rows: those past what is kept find their own rows.
      const float dx = float(int(random() % 61) - 30), dy = float(random() % 76);
      const uint32_t shadowTint = i % 4 == 3 ? 0xFF000000u | (random() & 0xFFFFFF) : 0xFF000000u;
      for (auto& corner : s.Corners) {
        corner.sx += dx;
        corner.sy += dy;
        corner.color = shadowTint;
      }
      s.Texels = shadows[random() % 3];
      f = b;
      for (auto& corner : f.Corners) corner.color = 0xFFFFFFFFu;
      f.Texels = fronts[random() % 2];
      squares.insert(squares.end(), {s, b});
      if (i % 3 == 1) {
        Square p;
        fixtures::Square(p.Corners, x, y, 2 + int(random() % 50), unit(random), 0xFFFFFFFF, true);
        p.Texels = picture;
        squares.push_back(p);
      }
      squares.push_back(f);
    }
    const TRect viewports[] = {TRect{0, 0, Width, Height}, TRect{9, 21, Width - 13, Height - 8}};
    for (TSpanKernel kernel : {TSpanKernel::Scalar, TSpanKernel::Sse2, TSpanKernel::Avx2}) {
      for (const TRect& viewport : viewports) {
        for (int threads : {1, 3}) ExpectSameAsReference(squares, threads, kernel, viewport);
      }
    }
  }
}

TEST(TurnedBubbles, LargeBubblesWithLongRowsMatchTheReference) {
  // Bodies many times their texture's size and far bigger than the screen:
  // long runs and walks that start far off the surface.
  std::mt19937 random(43);
  std::vector<Square> squares;
  const auto body = StyleTexels(64, 21, 0, false, 0xFFFFFF);
  const auto front = StyleTexels(64, 22, 4, true, 0);
  const auto shadow = StyleTexels(64, 23, 0, false, 0);
  for (int i = 0; i < 6; ++i) {
    Square b, s, f;
    fixtures::Square(b.Corners, float(random() % Width), float(random() % Height), 150 + int(random() % 400),
                     0.03f + 0.17f * float(i), 0xFF000000u | (random() & 0xFFFFFF));
    b.Texels = body;
    s = b;
    for (auto& corner : s.Corners) {
      corner.sx += 20;
      corner.sy += 30;
      corner.color = 0xFF000000u;
    }
    s.Texels = shadow;
    f = b;
    for (auto& corner : f.Corners) corner.color = 0xFFFFFFFFu;
    f.Texels = front;
    squares.insert(squares.end(), {s, b, f});
  }
  for (TSpanKernel kernel : {TSpanKernel::Scalar, TSpanKernel::Avx2}) {
    ExpectSameAsReference(squares, 2, kernel, TRect{0, 0, Width, Height});
  }
}

class PairBlendKernels : public ::testing::TestWithParam<TSpanKernel> {};

// Body then front along one walk, from the pair's packed texels, leaves
// what two walks over their own textures leave: walks wholly on the texture
// and walks leaving it on any side, every tail length, long runs, and
// denominators past what the lanes hold.
TEST_P(PairBlendKernels, BodyThenFrontAlongOneWalkLeaveWhatTwoWalksLeave) {
  const TPairBlendSpanFn pairBlend = PairBlendSpanFunction(GetParam());
  constexpr int Size = 150;
  std::mt19937_64 random(29);
  const std::shared_ptr<const TCpuTexels> bodies[] = {StyleTexels(Size, 31, 3, false, 0xFFFFFF),
                                                      StyleTexels(Size, 32, 1, true, 0)};
  const std::shared_ptr<const TCpuTexels> fronts[] = {StyleTexels(Size, 33, 0, true, 0),
                                                      StyleTexels(Size, 34, 3, false, 0x80C0E0)};
  const int64_t denominators[] = {1, 7, 4096, 999983, int64_t(1) << 31, int64_t(1) << 40};
  const uint32_t tints[] = {0xFFFFFF, 0x000000, 0x2A7FD1};
  for (int b = 0; b < 2; ++b) {
    for (int f = 0; f < 2; ++f) {
      const auto body = std::make_shared<const TCpuTiledTexels>(*bodies[b], false);
      const auto front = std::make_shared<const TCpuTiledTexels>(*fronts[f], false);
      ASSERT_TRUE(TCpuTiledPair::Fits(*body, *front));
      const TCpuTiledPair pair(body, front);
      for (int64_t denominator : denominators) {
        for (int trial = 0; trial < 40; ++trial) {
          const TWalkSteps steps = RandomSteps(random, denominator, trial % 2 ? denominator : 13);
          // Half start mid-texture and stay on it; half start anywhere.
          const bool inside = trial % 4 < 2;
          const int64_t u = inside ? Size / 2 - 10 + int64_t(random() % 20) : int64_t(random() % (Size + 60)) - 30;
          const int64_t v = inside ? Size / 2 - 10 + int64_t(random() % 20) : int64_t(random() % (Size + 60)) - 30;
          const TTexelWalk start = RandomStart(random, steps, u, v);
          const int count = trial < 20 ? trial : int(random() % (inside ? 50 : 260));
          const uint32_t bodyTint = tints[trial % 3], frontTint = tints[(trial / 3) % 3];
          std::vector<uint32_t> under(size_t(count) + 1);
          for (auto& pixel : under) pixel = uint32_t(random() & 0xFFFFFF);
          std::vector<uint32_t> expected = under;
          WalkBlendSpanScalar(expected.data(), *body, steps, start, count, bodyTint);
          WalkBlendSpanScalar(expected.data(), *front, steps, start, count, frontTint);
          std::vector<uint32_t> got = under;
          pairBlend(got.data(), pair, steps, start, count, bodyTint, frontTint, nullptr);
          ASSERT_EQ(got, expected) << "denominator " << denominator << " trial " << trial << " count " << count;
        }
      }
    }
  }
}

// A walk that keeps the third texture's alphas leaves the same pixels as
// one that does not, keeps the alphas the third texture shows along it, and
// keeps them alone when it is not to draw.
TEST_P(PairBlendKernels, ThirdTexturesAlphasAreKeptAlongTheWalk) {
  const TPairBlendSpanFn pairBlend = PairBlendSpanFunction(GetParam());
  constexpr int Size = 100;
  std::mt19937_64 random(31);
  const auto bodyTexels = StyleTexels(Size, 61, 3, false, 0xFFFFFF);
  const auto shadowTexels = StyleTexels(Size, 62, 1, false, 0);
  const auto body = std::make_shared<const TCpuTiledTexels>(*bodyTexels, false);
  const auto front = std::make_shared<const TCpuTiledTexels>(*StyleTexels(Size, 63, 0, false, 0xE0F0FF), false);
  const auto shadow = std::make_shared<const TCpuTiledTexels>(*shadowTexels, true);
  ASSERT_TRUE(TCpuTiledPair::FitsThird(*body, *front, *shadow));
  const TCpuTiledPair plain(body, front), three(body, front, shadow);
  for (int trial = 0; trial < 200; ++trial) {
    const TWalkSteps steps = RandomSteps(random, trial % 3 ? 4099 : int64_t(1) << 40, 977);
    const int64_t u = trial % 2 ? Size / 2 : int64_t(random() % (Size + 40)) - 20;
    const int64_t v = trial % 2 ? Size / 2 : int64_t(random() % (Size + 40)) - 20;
    const TTexelWalk start = RandomStart(random, steps, u, v);
    const int count = trial < 40 ? trial : int(random() % 200);
    std::vector<uint32_t> under(size_t(count) + 1);
    for (auto& pixel : under) pixel = uint32_t(random() & 0xFFFFFF);
    std::vector<uint32_t> expected = under, got = under;
    pairBlend(expected.data(), plain, steps, start, count, 0x2A7FD1, 0xFFFFFF, nullptr);
    // The shadow's texels along the walk, from its own rows of texels.
    std::vector<uint32_t> shown(size_t(count) + 1);
    WalkSpanScalar(shown.data(), shadowTexels->Pixels.data(), Size, Size, steps, start, count);
    std::vector<uint8_t> alphas(size_t(count) + 1, 0xAB), keptAlone(size_t(count) + 1, 0xAB);
    pairBlend(got.data(), three, steps, start, count, 0x2A7FD1, 0xFFFFFF, alphas.data());
    pairBlend(nullptr, three, steps, start, count, 0, 0, keptAlone.data());
    ASSERT_EQ(got, expected) << "trial " << trial;
    for (int k = 0; k < count; ++k) ASSERT_EQ(alphas[size_t(k)], shown[size_t(k)] >> 24) << "trial " << trial;
    ASSERT_EQ(alphas[size_t(count)], 0xAB) << "written past the run, trial " << trial;
    ASSERT_EQ(keptAlone, alphas) << "trial " << trial;
  }
}

// Kept alphas of one colour leave what their texels would.
TEST_P(PairBlendKernels, KeptAlphasBlendAsTheirTexelsWould) {
  const TAlphaBlendSpanFn alphaBlend = AlphaBlendSpanFunction(GetParam());
  std::mt19937 random(37);
  // Black tints, black colours and colours that tint to black among them.
  const uint32_t tints[] = {0xFF000000, 0xFFFFFFFF, 0xFF80C040, 0x00123456, 0xFF7F7F7F};
  const uint32_t colours[] = {0x000000, 0xFFFFFF, 0x203040, 0xFF102030, 0x010101};
  for (int trial = 0; trial < 300; ++trial) {
    const int count = trial < 50 ? trial : int(random() % 300);
    std::vector<uint8_t> alphas(static_cast<size_t>(count));
    // Clear, nearly clear and opaque stretches as well as every alpha between.
    for (size_t k = 0; k < alphas.size(); ++k) {
      const int stretch = int(k / 11 + uint32_t(trial)) % 5;
      alphas[k] = stretch == 0 ? 0 : stretch == 1 ? 255 : stretch == 2 ? uint8_t(random() & 1) : uint8_t(random());
    }
    const uint32_t tint = tints[trial % 5], colour = colours[(trial / 5) % 5];
    std::vector<uint32_t> under(size_t(count) + 1);
    for (auto& pixel : under) pixel = uint32_t(random() & 0xFFFFFF);
    std::vector<uint32_t> texels(static_cast<size_t>(count));
    for (size_t k = 0; k < texels.size(); ++k) texels[k] = uint32_t(alphas[k]) << 24 | (colour & 0xFFFFFF);
    std::vector<uint32_t> expected = under, got = under;
    BlendSpanScalar(expected.data(), texels.data(), count, tint);
    alphaBlend(got.data(), alphas.data(), count, colour, tint);
    ASSERT_EQ(got, expected) << "trial " << trial << " count " << count;
  }
}

INSTANTIATE_TEST_SUITE_P(All, PairBlendKernels, EveryKernelLevel(), KernelLevelName);

TEST(TurnedBubbles, SquaresWithEdgesAlongTheRowsMatchTheReference) {
  // Squares leant over (top and bottom along the rows, at and between pixel
  // rows) or sheared (sides down the columns): an edge along the rows takes
  // a whole row in or leaves it out, and which rows it leaves out must be
  // those the geometry does, alone and as a bubble's body, front and shadow.
  const auto body = StyleTexels(64, 61, 0, false, 0xFFFFFF);
  const auto front = StyleTexels(64, 62, 3, true, 0);
  const auto shadow = StyleTexels(64, 63, 2, false, 0);
  const float parts[] = {0.0f, 0.25f, 0.5f, 0.75f, 0.9f};
  std::vector<Square> squares;
  int i = 0;
  for (float part : parts) {
    for (bool lean : {true, false}) {
      Square b, s, f;
      const float x = float(8 + (i * 29) % (Width - 60)), y = float(5 + (i * 23) % (Height - 50)) + part;
      const float w = float(20 + (i * 7) % 25), h = float(18 + (i * 5) % 21);
      const float shear = float(i % 3 == 0 ? -9 : 11) + part;
      const float corners[4][2] = {{x, y}, {x + w, lean ? y : y + shear}, {lean ? x + shear : x, y + h},
                                   {lean ? x + w + shear : x + w, lean ? y + h : y + h + shear}};
      for (int k = 0; k < 4; ++k) {
        b.Corners[k] = TD3DTLVertex{};
        b.Corners[k].sx = corners[k][0];
        b.Corners[k].sy = corners[k][1];
        b.Corners[k].color = 0xFF000000u | uint32_t(0x406080 + 0x100F07 * i);
        b.Corners[k].tu = (k & 1) ? 1.0f : 0.0f;
        b.Corners[k].tv = (k & 2) ? 1.0f : 0.0f;
      }
      b.Texels = body;
      s = b;
      for (auto& corner : s.Corners) {
        corner.sx += 3;
        corner.sy += float(1 + i % 7);
        corner.color = 0xFF000000u;
      }
      s.Texels = shadow;
      f = b;
      for (auto& corner : f.Corners) corner.color = 0xFFFFFFFFu;
      f.Texels = front;
      if (i % 4 == 3) {
        squares.push_back(b);
      } else {
        squares.insert(squares.end(), {s, b, f});
      }
      ++i;
    }
  }
  for (TSpanKernel kernel : {TSpanKernel::Scalar, TSpanKernel::Avx2}) {
    for (int threads : {1, 3}) {
      ExpectSameAsReference(squares, threads, kernel, TRect{0, 0, Width, Height});
      ExpectSameAsReference(squares, threads, kernel, TRect{11, 9, Width - 7, Height - 13});
    }
  }
}

}  // namespace
