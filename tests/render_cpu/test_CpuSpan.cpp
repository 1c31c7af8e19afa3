#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "render/backends/cpu/CpuSpan.h"
#include "render/backends/cpu/TCpuTexels.h"
#include "render/backends/cpu/TCpuTiledTexels.h"
#include "render_cpu/ReferenceCompositor.h"
#include "render_cpu/KernelLevels.h"

namespace {

TEST(CpuSpanRule, RoundedDivisionAndPixelRuleMatchThePlainArithmetic) {
  for (uint32_t x = 0; x <= 255 * 255; ++x) ASSERT_EQ(Div255(x), reference::RoundDiv255(x)) << x;
  const uint32_t unders[] = {0x000000, 0xFFFFFF, 0x807F01, 0x123456};
  const uint32_t tints[] = {0xFFFFFF, 0x000000, 0x80C040, 0x01FE7F};
  for (uint32_t alpha = 0; alpha < 256; ++alpha) {
    for (uint32_t value = 0; value < 256; ++value) {
      const uint32_t texel = (alpha << 24) | (value << 16) | ((255 - value) << 8) | (value ^ 0x5A);
      for (uint32_t under : unders) {
        for (uint32_t tint : tints) ASSERT_EQ(BlendPixel(under, texel, tint), reference::Blend(under, texel, tint));
      }
    }
  }
}

TEST(CpuSpanRule, EndsOfTheAlphaRangeAreExact) {
  // Transparent texels leave the surface alone, opaque ones under a white
  // tint replace it with the texel itself, and a black tint is a shadow.
  EXPECT_EQ(BlendPixel(0x123456, 0x00FFFFFF, 0xFFFFFF), 0x123456u);
  EXPECT_EQ(BlendPixel(0x123456, 0xFFABCDEF, 0xFFFFFF), 0xABCDEFu);
  EXPECT_EQ(BlendPixel(0x123456, 0xFFABCDEF, 0x000000), 0x000000u);
  EXPECT_EQ(BlendPixel(0xFFFFFF, 0x80FFFFFF, 0x000000), 0x7F7F7Fu);
  EXPECT_EQ(BlendPixel(0x000000, 0x80FFFFFF, 0xFFFFFF), 0x808080u);
}

class CpuSpanKernels : public ::testing::TestWithParam<TSpanKernel> {};

TEST_P(CpuSpanKernels, EveryLengthAndAlphaMixGivesThePixelRuleBitForBit) {
  const TBlendSpanFn blend = BlendSpanFunction(GetParam());
  std::mt19937 random(7);
  const uint32_t tints[] = {0xFFFFFF, 0xFF000000, 0x000000, 0x3C9EE1};
  for (int length = 0; length <= 41; ++length) {
    for (int pattern = 0; pattern < 4; ++pattern) {
      for (uint32_t tint : tints) {
        std::vector<uint32_t> texels(size_t(length) + 1), under(size_t(length) + 1);
        for (int i = 0; i <= length; ++i) {
          uint32_t alpha = random() & 0xFF;
          // Runs of clear and solid texels take the skip and copy branches.
          if (pattern == 1) alpha = (i / 8) % 2 ? 255 : 0;
          if (pattern == 2) alpha = 255;
          if (pattern == 3) alpha = (i % 9 == 4) ? 1 : 0;
          texels[size_t(i)] = (alpha << 24) | (random() & 0xFFFFFF);
          under[size_t(i)] = random() & 0xFFFFFF;
        }
        std::vector<uint32_t> expected = under;
        for (int i = 0; i < length; ++i) {
          expected[size_t(i)] = reference::Blend(under[size_t(i)], texels[size_t(i)], tint);
        }
        // Start one pixel in, so the vector loads are not aligned.
        std::vector<uint32_t> got = under;
        blend(got.data(), texels.data(), length, tint);
        ASSERT_EQ(got, expected) << "length " << length << " pattern " << pattern << " tint " << tint;
        got = under;
        blend(got.data() + 1, texels.data() + 1, length, tint);
        std::vector<uint32_t> offsetExpected = under;
        for (int i = 1; i <= length; ++i) {
          offsetExpected[size_t(i)] = reference::Blend(under[size_t(i)], texels[size_t(i)], tint);
        }
        ASSERT_EQ(got, offsetExpected) << "unaligned, length " << length;
      }
    }
  }
}

TEST_P(CpuSpanKernels, EveryColourAlphaAndUnderneathTripleGivesThePixelRule) {
  // The red channel runs through every texel value, alpha and value under
  // it; runs of one alpha also take the clear and opaque shortcuts. Tints:
  // white and black have paths of their own. The scalar kernel is the rule
  // itself, checked against the plain arithmetic above.
  if (GetParam() == TSpanKernel::Scalar) GTEST_SKIP();
  const TBlendSpanFn blend = BlendSpanFunction(GetParam());
  const uint32_t tints[] = {0xFFFFFF, 0x000000, 0x80C040};
  std::vector<uint32_t> texels(256), under(256), got(256);
  for (uint32_t tint : tints) {
    for (uint32_t alpha = 0; alpha < 256; ++alpha) {
      for (uint32_t c = 0; c < 256; ++c) texels[c] = alpha << 24 | c << 16 | (255 - c) << 8 | (c ^ 0x5A);
      for (uint32_t u = 0; u < 256; ++u) {
        std::fill(under.begin(), under.end(), u << 16 | ((u * 7) & 0xFF) << 8 | (255 - u));
        got = under;
        blend(got.data(), texels.data(), 256, tint);
        for (size_t c = 0; c < 256; ++c) {
          ASSERT_EQ(got[c], reference::Blend(under[c], texels[c], tint))
              << "tint " << tint << " alpha " << alpha << " texel " << c << " under " << u;
        }
      }
    }
  }
}

TEST_P(CpuSpanKernels, GatheredTexelsAreTheColumnsAskedFor) {
  const TGatherSpanFn gather = GatherSpanFunction(GetParam());
  std::vector<uint32_t> row(256);
  for (size_t i = 0; i < row.size(); ++i) row[i] = 0x01000000u * uint32_t(i) + uint32_t(i * 7);
  for (int length = 0; length <= 19; ++length) {
    std::vector<uint16_t> columns(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) columns[size_t(i)] = uint16_t((i * 255) / std::max(length - 1, 1));
    std::vector<uint32_t> out(size_t(length) + 1, 0xDEADBEEF);
    gather(out.data(), row.data(), columns.data(), length);
    for (int i = 0; i < length; ++i) ASSERT_EQ(out[size_t(i)], row[columns[size_t(i)]]) << length << " " << i;
    EXPECT_EQ(out.back(), 0xDEADBEEFu);
  }
}

// Pixel i of a walk, worked out from scratch with wide integers.
uint32_t WalkedTexel(const std::vector<uint32_t>& texels, int width, int height, const TWalkSteps& steps,
                     const TTexelWalk& start, int i) {
  using Wide = reference::Wide;
  const Wide u = Wide(start.U) + Wide(steps.UStep) * i + (Wide(start.UPart) + Wide(steps.UStepPart) * i) / steps.UDenominator;
  const Wide v = Wide(start.V) + Wide(steps.VStep) * i + (Wide(start.VPart) + Wide(steps.VStepPart) * i) / steps.VDenominator;
  const Wide column = std::min<Wide>(std::max<Wide>(u, 0), width - 1);
  const Wide row = std::min<Wide>(std::max<Wide>(v, 0), height - 1);
  return texels[size_t(row * width + column)];
}

// A planned walk with random steps and a random start, which may lie off the
// texture on every side so the clamps are walked too.
struct TRandomWalk {
  TWalkSteps Steps;
  TTexelWalk Start;
};
TRandomWalk RandomWalk(std::mt19937_64& random, int64_t uDenominator, int64_t vDenominator, int spanU, int spanV,
                       int offset) {
  TRandomWalk walk;
  TWalkSteps& steps = walk.Steps;
  steps.UDenominator = uDenominator;
  steps.VDenominator = vDenominator;
  steps.UStep = int64_t(random() % 5) - 2;
  steps.VStep = int64_t(random() % 3) - 1;
  steps.UStepPart = int64_t(random() % uint64_t(steps.UDenominator));
  steps.VStepPart = int64_t(random() % uint64_t(steps.VDenominator));
  PlanWalk(steps);
  TTexelWalk& start = walk.Start;
  start.U = int64_t(random() % uint64_t(spanU)) - offset;
  start.V = int64_t(random() % uint64_t(spanV)) - offset;
  start.UPart = int64_t(random() % uint64_t(steps.UDenominator));
  start.VPart = int64_t(random() % uint64_t(steps.VDenominator));
  return walk;
}

TEST_P(CpuSpanKernels, WalksGiveTheFlooredPositionOfEveryPixelClampedOntoTheTexture) {
  const TWalkSpanFn walk = WalkSpanFunction(GetParam());
  constexpr int Width = 37, Height = 29;
  std::vector<uint32_t> texels(Width * Height);
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = uint32_t(i * 2654435761u);
  std::mt19937_64 random(11);
  // Denominators from tiny to past what 32-bit lanes hold, which the vector
  // walks must leave to the scalar one.
  const int64_t denominators[] = {1, 3, 4096, 999983, (int64_t(1) << 31) - 1, int64_t(1) << 31, int64_t(1) << 40};
  for (int64_t denominator : denominators) {
    for (int trial = 0; trial < 60; ++trial) {
      const auto [steps, start] = RandomWalk(random, denominator, trial % 3 ? denominator : 7, 80, 70, 20);
      const int count = int(random() % 70);
      std::vector<uint32_t> out(size_t(count) + 1, 0xDEADBEEF);
      walk(out.data(), texels.data(), Width, Height, steps, start, count);
      for (int i = 0; i < count; ++i) {
        ASSERT_EQ(out[size_t(i)], WalkedTexel(texels, Width, Height, steps, start, i))
            << "denominator " << denominator << " trial " << trial << " pixel " << i << " of " << count;
      }
      EXPECT_EQ(out.back(), 0xDEADBEEFu) << "wrote past the run";
    }
  }
}

TEST_P(CpuSpanKernels, WalkAndBlendInOnePassLeaveWhatTheyLeaveOneAfterTheOther) {
  const TWalkBlendSpanFn walkBlend = WalkBlendSpanFunction(GetParam());
  constexpr int Width = 41, Height = 33;
  std::mt19937_64 random(19);
  // A size no tile fits evenly, so edge tiles are read too.
  TCpuTexels source(Width, Height);
  std::vector<uint32_t>& texels = source.Pixels;
  for (size_t i = 0; i < texels.size(); ++i) {
    // Clear and opaque patches among mixed alphas.
    const uint32_t patch = uint32_t(i / 9 % 4);
    const uint32_t alpha = patch == 0 ? 0 : patch == 1 ? 255 : uint32_t(random() & 0xFF);
    texels[i] = alpha << 24 | uint32_t(random() & 0xFFFFFF);
  }
  // Kept whole, as grey and alpha, and as alpha alone (one colour).
  TCpuTexels grey = source, single = source;
  for (uint32_t& texel : grey.Pixels) texel = (texel & 0xFF000000u) | (texel & 0xFF) * 0x010101u;
  for (uint32_t& texel : single.Pixels) texel = (texel & 0xFF000000u) | 0x3C7A11u;
  const TCpuTiledTexels layouts[] = {TCpuTiledTexels(source, false), TCpuTiledTexels(grey, false),
                                     TCpuTiledTexels(single, false)};
  const TCpuTexels* sources[] = {&source, &grey, &single};
  ASSERT_EQ(layouts[0].Layout, TCpuTiledTexels::Full);
  ASSERT_EQ(layouts[1].Layout, TCpuTiledTexels::GreyAlpha);
  ASSERT_EQ(layouts[2].Layout, TCpuTiledTexels::Alpha);
  const int64_t denominators[] = {1, 5, 4096, 999983, int64_t(1) << 31, int64_t(1) << 44};
  const uint32_t tints[] = {0xFFFFFF, 0x000000, 0xFF2A7FD1};
  for (int64_t denominator : denominators) {
    for (int trial = 0; trial < 60; ++trial) {
      const auto [steps, start] = RandomWalk(random, denominator, trial % 2 ? denominator : 13, 90, 80, 25);
      // Every length up to past four groups of eight, each tail after the
      // groups the vector pass reads ahead, and past one piece of the
      // generic pass.
      const int count = trial < 34 ? trial : int(random() % 200);
      const uint32_t tint = tints[trial % 3];
      std::vector<uint32_t> under(size_t(count) + 1);
      for (auto& pixel : under) pixel = uint32_t(random() & 0xFFFFFF);
      for (int layout = 0; layout < 3; ++layout) {
        std::vector<uint32_t> shown(size_t(count) + 1);
        WalkSpanScalar(shown.data(), sources[layout]->Pixels.data(), Width, Height, steps, start, count);
        std::vector<uint32_t> expected = under;
        for (int i = 0; i < count; ++i) {
          expected[size_t(i)] = reference::Blend(under[size_t(i)], shown[size_t(i)], tint);
        }
        std::vector<uint32_t> got = under;
        walkBlend(got.data(), layouts[layout], steps, start, count, tint);
        ASSERT_EQ(got, expected) << "denominator " << denominator << " trial " << trial << " count " << count
                                 << " layout " << layout;
      }
      // Under a black tint the texels' colours never show.
      if ((tint & 0xFFFFFF) == 0) {
        std::vector<uint32_t> shown(size_t(count) + 1);
        WalkSpanScalar(shown.data(), texels.data(), Width, Height, steps, start, count);
        std::vector<uint32_t> expected = under;
        for (int i = 0; i < count; ++i) {
          expected[size_t(i)] = reference::Blend(under[size_t(i)], shown[size_t(i)], tint);
        }
        std::vector<uint32_t> got = under;
        walkBlend(got.data(), TCpuTiledTexels(source, true), steps, start, count, tint);
        ASSERT_EQ(got, expected) << "alpha alone, trial " << trial;
      }
    }
  }
}

TEST_P(CpuSpanKernels, MaskedCopyClearsTheTopByteOnlyWithinTheSpan) {
  // Every length up to a few vector groups past a whole one, from every
  // offset within a group, over pixels whose top bytes are all set: the tail
  // stops exactly at the span's end and the pixels either side stay.
  const TCopySpanFn copy = CopySpanFunction(GetParam());
  constexpr int Guard = 9;
  std::mt19937 random(17);
  std::vector<uint32_t> source(64 + 2 * Guard);
  for (auto& p : source) p = random() | 0x01000000u;
  source[Guard] = 0xFF000000u;
  source[Guard + 1] = 0x00FFFFFFu;
  for (int offset = 0; offset < 8; ++offset) {
    for (int length = 0; length + offset <= 64 - 8 + 1; ++length) {
      std::vector<uint32_t> got(source.size(), 0xDEADBEEFu);
      copy(got.data() + Guard + offset, source.data() + Guard + offset, length);
      for (int i = 0; i < int(got.size()); ++i) {
        const bool inside = i >= Guard + offset && i < Guard + offset + length;
        ASSERT_EQ(got[size_t(i)], inside ? source[size_t(i)] & 0x00FFFFFFu : 0xDEADBEEFu)
            << "offset " << offset << " length " << length << " pixel " << i;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(All, CpuSpanKernels, EveryKernelLevel(), KernelLevelName);

TEST(CpuSpanKernelChoice, BestNeverNamesASetTheProcessorLacks) {
  EXPECT_NE(ResolveSpanKernel(TSpanKernel::Best), TSpanKernel::Best);
  EXPECT_EQ(ResolveSpanKernel(TSpanKernel::Scalar), TSpanKernel::Scalar);
  if (!__builtin_cpu_supports("avx2")) {
    EXPECT_EQ(ResolveSpanKernel(TSpanKernel::Avx2), TSpanKernel::Sse2);
  }
}

}  // namespace
