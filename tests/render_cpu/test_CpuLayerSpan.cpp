#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "render/backends/cpu/CpuLayerSpan.h"
#include "render_cpu/ReferenceCompositor.h"
#include "render_cpu/KernelLevels.h"

namespace {

class CpuLayerSpanKernels : public ::testing::TestWithParam<TSpanKernel> {};

// Texels of one layer's span: random alphas, runs of clear and of opaque
// texels (the skip and cover shortcuts), wholly opaque, wholly clear.
std::vector<uint32_t> LayerTexels(int count, int pattern, std::mt19937& random) {
  std::vector<uint32_t> texels(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    uint32_t alpha = random() & 0xFF;
    if (pattern == 1) alpha = (i / 8) % 2 ? 255 : 0;
    if (pattern == 2) alpha = 255;
    if (pattern == 3) alpha = 0;
    if (pattern == 4) alpha = (i + 3) % 11 < 6 ? 255 : random() % 3;
    texels[size_t(i)] = (alpha << 24) | (random() & 0xFFFFFF);
  }
  return texels;
}

TEST_P(CpuLayerSpanKernels, LayersTogetherLeaveWhatTheyLeaveOneAfterTheOther) {
  // Layers of every length and offset, overlapping, apart, empty, nested,
  // up to the most a call takes, over a row with guard pixels either side
  // that must come back untouched.
  const TLayerSpanFn layered = LayerSpanFunction(GetParam());
  constexpr int Row = 83, Guard = 9;
  std::mt19937 random(41);
  const uint32_t tints[] = {0xFFFFFF, 0x000000, 0xFF000000, 0x3C9EE1, 0x01FE7F};
  for (int round = 0; round < 4000; ++round) {
    const int count = 1 + int(random() % MaxLayers);
    std::vector<std::vector<uint32_t>> texels(static_cast<size_t>(count));
    std::vector<TLayerSpan> layers(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      int begin = int(random() % (Row + 1)), end = int(random() % (Row + 1));
      if (begin > end) std::swap(begin, end);
      if (round % 5 == 0) begin = std::min(end, begin % 17);
      texels[size_t(i)] = LayerTexels(end - begin, int(random() % 5), random);
      layers[size_t(i)] = TLayerSpan{texels[size_t(i)].data(), begin, end, tints[random() % 5]};
    }
    std::vector<uint32_t> pixels(Row + 2 * Guard);
    for (auto& p : pixels) p = random() & 0xFFFFFF;
    std::vector<uint32_t> expected = pixels;
    for (const TLayerSpan& layer : layers) {
      for (int x = layer.Begin; x < layer.End; ++x) {
        uint32_t& p = expected[size_t(Guard + x)];
        p = reference::Blend(p, layer.Texels[x - layer.Begin], layer.Tint);
      }
    }
    layered(pixels.data() + Guard, layers.data(), count);
    ASSERT_EQ(pixels, expected) << "round " << round;
  }
}

TEST_P(CpuLayerSpanKernels, EveryColourAlphaAndUnderneathTripleGivesThePixelRule) {
  // Every texel channel, alpha and channel underneath, under white, black
  // and a mixed tint. The run is not a whole number of vector groups, so its
  // last texels go through the blend even where a whole group of one alpha
  // would take the clear or opaque shortcut. The other kernels blend layer
  // by layer with BlendSpan, which its own tests hold to this.
  if (GetParam() != TSpanKernel::Avx2) GTEST_SKIP();
  const TLayerSpanFn layered = LayerSpanFunction(GetParam());
  constexpr int Length = 256 + 3;
  const uint32_t tints[] = {0xFFFFFF, 0x000000, 0x80C040};
  std::vector<uint32_t> texels(Length), under(Length), got(Length);
  for (uint32_t tint : tints) {
    for (uint32_t alpha = 0; alpha < 256; ++alpha) {
      for (uint32_t c = 0; c < Length; ++c) {
        const uint32_t v = c % 256;
        texels[c] = alpha << 24 | v << 16 | (255 - v) << 8 | (v ^ 0x5A);
      }
      for (uint32_t u = 0; u < 256; ++u) {
        std::fill(under.begin(), under.end(), u << 16 | ((u * 7) & 0xFF) << 8 | (255 - u));
        got = under;
        const TLayerSpan layer{texels.data(), 0, Length, tint};
        layered(got.data(), &layer, 1);
        for (size_t c = 0; c < Length; ++c) {
          ASSERT_EQ(got[c], reference::Blend(under[c], texels[c], tint))
              << "tint " << tint << " alpha " << alpha << " texel " << c << " under " << u;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(All, CpuLayerSpanKernels, EveryKernelLevel(), KernelLevelName);

}  // namespace
