#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "render/backends/cpu/CpuSpan.h"
#include "render/backends/cpu/CpuTurnedBubble.h"
#include "render/backends/cpu/TCpuTexels.h"
#include "render/backends/cpu/TCpuTiledTexels.h"

// The turned-square kernel alone, on one thread: the rows of a bubble body
// turned by half a radian, walked and blended onto a full-HD surface. A
// whole frame on a shared machine varies too much to show a change of a few
// per cent in this loop; this shows it.

namespace {

constexpr int TextureSize = 256;
constexpr int BodySize = 182;
constexpr int SurfaceWidth = 1920;
constexpr int64_t Denominator = int64_t(1) << 20;

enum TTexture { OneColour, Grey, Coloured };

// A round image, solid within 60 % of its radius, fading to clear at the rim.
TCpuTexels RoundTexels(TTexture kind) {
  TCpuTexels texels(TextureSize, TextureSize);
  for (int y = 0; y < TextureSize; ++y) {
    for (int x = 0; x < TextureSize; ++x) {
      const double dx = x + 0.5 - TextureSize / 2, dy = y + 0.5 - TextureSize / 2;
      const double r = std::sqrt(dx * dx + dy * dy) / (TextureSize / 2);
      const double fade = r >= 1 ? 0 : r <= 0.6 ? 1 : (1 - r) / 0.4;
      const uint32_t grey = uint32_t(x ^ y) & 0xFF;
      const uint32_t rgb = kind == OneColour ? 0x3C7A11u
                           : kind == Grey    ? grey * 0x010101u
                                             : uint32_t((x * 7) & 0xFF) << 16 | uint32_t((y * 5) & 0xFF) << 8 | 0x80;
      texels.Pixels[size_t(y) * TextureSize + size_t(x)] = uint32_t(std::lround(fade * 255)) << 24 | rgb;
    }
  }
  texels.Measure();
  return texels;
}

// x as a whole part and a remainder over Denominator.
void Fix(double x, int64_t& whole, int64_t& part) {
  const int64_t n = std::llround(x * double(Denominator));
  whole = n >= 0 ? n / Denominator : -((-n + Denominator - 1) / Denominator);
  part = n - whole * Denominator;
}

// The body square drawn turned by half a radian, walked over 256 rows of a
// surface: each row starts where the square's left edge crosses it and runs
// across the texture.
constexpr int Rows = 256;
const double TurnScale = double(TextureSize) / BodySize, TurnAngle = 0.5;
const double RowDu = TurnScale * std::cos(TurnAngle), RowDv = TurnScale * std::sin(TurnAngle);

TWalkSteps TurnedBodySteps() {
  TWalkSteps steps;
  steps.UDenominator = steps.VDenominator = Denominator;
  Fix(RowDu, steps.UStep, steps.UStepPart);
  Fix(RowDv, steps.VStep, steps.VStepPart);
  PlanWalk(steps);
  return steps;
}

TTexelWalk RowStart(int row) {
  TTexelWalk start;
  Fix(-20 - row * RowDv + 0.37, start.U, start.UPart);
  Fix(-30 + row * RowDu + 0.11, start.V, start.VPart);
  return start;
}

int RowCount(int row) { return 100 + row * 37 % 120; }

uint32_t* RowPixels(std::vector<uint32_t>& surface, int row) {
  return surface.data() + size_t(row) * SurfaceWidth + row % 13;
}

void WalkBlend(benchmark::State& state) {
  const auto kernel = static_cast<TSpanKernel>(state.range(0));
  const TCpuTexels source = RoundTexels(static_cast<TTexture>(state.range(1)));
  const TCpuTiledTexels tiled(source, false);
  const TWalkBlendSpanFn walkBlend = WalkBlendSpanFunction(kernel);
  const TWalkSteps steps = TurnedBodySteps();
  std::vector<uint32_t> surface(size_t(SurfaceWidth) * Rows, 0x204060);
  // Shadow, body and front: black, a colour and white.
  const uint32_t tints[] = {0x000000, 0x80C0FF, 0xFFFFFF};
  int64_t pixels = 0;
  for (auto _ : state) {
    for (uint32_t tint : tints) {
      for (int row = 0; row < Rows; ++row) {
        const int count = RowCount(row);
        walkBlend(RowPixels(surface, row), tiled, steps, RowStart(row), count, tint);
        pixels += count;
      }
    }
    benchmark::DoNotOptimize(surface.data());
  }
  state.SetItemsProcessed(pixels);
  state.SetLabel(std::string(SpanKernelName(ResolveSpanKernel(kernel))) +
                 (tiled.Layout == TCpuTiledTexels::Alpha       ? ", alpha only"
                  : tiled.Layout == TCpuTiledTexels::GreyAlpha ? ", grey and alpha"
                                                               : ", full colour"));
}

// A tinted body and a white front over the same rows: two walks, one per
// texture, against one walk reading both from the packed pair.
void BodyAndFront(benchmark::State& state) {
  const auto kernel = static_cast<TSpanKernel>(state.range(0));
  const bool paired = state.range(1) != 0;
  const auto body = std::make_shared<const TCpuTiledTexels>(RoundTexels(OneColour), false);
  const auto front = std::make_shared<const TCpuTiledTexels>(RoundTexels(Grey), false);
  const TCpuTiledPair pair(body, front);
  const TWalkBlendSpanFn walkBlend = WalkBlendSpanFunction(kernel);
  const TPairBlendSpanFn pairBlend = PairBlendSpanFunction(kernel);
  const TWalkSteps steps = TurnedBodySteps();
  std::vector<uint32_t> surface(size_t(SurfaceWidth) * Rows, 0x204060);
  int64_t pixels = 0;
  for (auto _ : state) {
    for (int row = 0; row < Rows; ++row) {
      const TTexelWalk start = RowStart(row);
      const int count = RowCount(row);
      uint32_t* dst = RowPixels(surface, row);
      if (paired) {
        pairBlend(dst, pair, steps, start, count, 0x80C0FF, 0xFFFFFF, nullptr);
      } else {
        walkBlend(dst, *body, steps, start, count, 0x80C0FF);
        walkBlend(dst, *front, steps, start, count, 0xFFFFFF);
      }
      pixels += count;
    }
    benchmark::DoNotOptimize(surface.data());
  }
  state.SetItemsProcessed(pixels);
  state.SetLabel(std::string(SpanKernelName(ResolveSpanKernel(kernel))) + (paired ? ", one walk" : ", two walks"));
}

// A bubble's shadow, body and front, all kept as alpha, over the same rows
// (the shadow's moved by whole pixels): the shadow walked on its own, against
// its alphas kept by the body's walk and blended from there.
void ShadowBodyAndFront(benchmark::State& state) {
  const auto kernel = static_cast<TSpanKernel>(state.range(0));
  const bool keep = state.range(1) != 0;
  const auto body = std::make_shared<const TCpuTiledTexels>(RoundTexels(OneColour), false);
  const auto front = std::make_shared<const TCpuTiledTexels>(RoundTexels(OneColour), false);
  const auto shadow = std::make_shared<const TCpuTiledTexels>(RoundTexels(OneColour), true);
  const TCpuTiledPair pair(body, front), three(body, front, shadow);
  const TWalkBlendSpanFn walkBlend = WalkBlendSpanFunction(kernel);
  const TPairBlendSpanFn pairBlend = PairBlendSpanFunction(kernel);
  const TAlphaBlendSpanFn alphaBlend = AlphaBlendSpanFunction(kernel);
  const TWalkSteps steps = TurnedBodySteps();
  std::vector<uint32_t> surface(size_t(SurfaceWidth) * Rows, 0x204060);
  std::vector<uint8_t> alphas(size_t(Rows) * 512);
  constexpr int Down = 30, Across = 20;
  int64_t pixels = 0;
  for (auto _ : state) {
    for (int row = 0; row < Rows; ++row) {
      const int count = RowCount(row);
      if (row >= Down) {
        const int from = row - Down;
        uint32_t* dst = RowPixels(surface, from) + size_t(Down) * SurfaceWidth + Across;
        if (keep) {
          alphaBlend(dst, alphas.data() + size_t(from) * 512, RowCount(from), 0, 0);
        } else {
          walkBlend(dst, *shadow, steps, RowStart(from), RowCount(from), 0);
        }
      }
      uint32_t* dst = RowPixels(surface, row);
      if (keep) {
        pairBlend(dst, three, steps, RowStart(row), count, 0x80C0FF, 0xFFFFFF, alphas.data() + size_t(row) * 512);
      } else {
        pairBlend(dst, pair, steps, RowStart(row), count, 0x80C0FF, 0xFFFFFF, nullptr);
      }
      pixels += count;
    }
    benchmark::DoNotOptimize(surface.data());
  }
  state.SetItemsProcessed(pixels);
  state.SetLabel(std::string(SpanKernelName(ResolveSpanKernel(kernel))) +
                 (keep ? ", shadow from kept alphas" : ", shadow walked"));
}

BENCHMARK(ShadowBodyAndFront)
    ->ArgNames({"kernel", "keep"})
    ->ArgsProduct({{int(TSpanKernel::Sse2), int(TSpanKernel::Avx2)}, {0, 1}});

BENCHMARK(BodyAndFront)
    ->ArgNames({"kernel", "paired"})
    ->ArgsProduct({{int(TSpanKernel::Sse2), int(TSpanKernel::Avx2)}, {0, 1}});

BENCHMARK(WalkBlend)
    ->ArgNames({"kernel", "texture"})
    ->ArgsProduct({{int(TSpanKernel::Sse2), int(TSpanKernel::Avx2)}, {OneColour, Grey, Coloured}});

}  // namespace

BENCHMARK_MAIN();
