#include <immintrin.h>

#include <cstdint>

#include "render/backends/cpu/CpuBlendAvx2.h"
#include "render/backends/cpu/CpuLayerSpan.h"
#include "render/backends/cpu/CpuSpanAvx2Parts.h"

// Compiled for AVX2 function by function, like the other AVX2 loops;
// LayerSpanFunction only hands this out when the processor has AVX2.
// Vector helpers are always inlined, for the same reason as there.
#define VECTOR_HELPER __attribute__((target("avx2"), always_inline)) inline

namespace {

constexpr uint32_t ColourMask = 0x00FFFFFF;
constexpr uint32_t White = 0x00FFFFFF;
constexpr int Lanes = 8;

// What a layer's tint lets the loop leave out, as in BlendSpan.
enum class TTint { White, Black, Other };

// The blend's constants, and the layer's: its tint, the pattern that
// spreads each texel's alpha over its colour bytes, and those that spread
// it over the 16-bit lanes of the low and the high four bytes of each half.
struct TConstants : avx2::TBlendConstants {
  __m256i Alpha, Tint16, LowAlpha16, HighAlpha16;
};

// Each 16-bit lane of a pixel's four bytes widened (the pixels at `first`
// and `first` + 1 of each half) set to that pixel's alpha: a shuffle pattern.
VECTOR_HELPER __m256i SpreadPattern16(char first) {
  constexpr char z = -128;
  const char a = static_cast<char>(4 * first + 3), b = static_cast<char>(4 * first + 7);
  return _mm256_setr_epi8(a, z, a, z, a, z, a, z, b, z, b, z, b, z, b, z, a, z, a, z, a, z, a, z, b, z, b, z, b, z, b,
                          z);
}

VECTOR_HELPER TConstants MakeConstants(uint32_t tintColour) {
  TConstants k;
  static_cast<avx2::TBlendConstants&>(k) = avx2::MakeBlendConstants();
  k.Alpha = avx2::SpreadPattern(3);
  k.Tint16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(tintColour | 0xFF000000u)), k.Zero);
  k.LowAlpha16 = SpreadPattern16(0);
  k.HighAlpha16 = SpreadPattern16(2);
  return k;
}

// Eight pixels of `under` under a black layer: the rule's colour x alpha
// is 0, leaving under x (255 - alpha) / 255 rounded per channel, a single
// product per channel where the general blend needs a pair. The top byte
// stays the 0 it is under.
VECTOR_HELPER __m256i Shaded(__m256i texel, __m256i under, const TConstants& k) {
  const __m256i inverse = _mm256_xor_si256(texel, _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
  const __m256i low = _mm256_mullo_epi16(_mm256_unpacklo_epi8(under, k.Zero), _mm256_shuffle_epi8(inverse, k.LowAlpha16));
  const __m256i high =
      _mm256_mullo_epi16(_mm256_unpackhi_epi8(under, k.Zero), _mm256_shuffle_epi8(inverse, k.HighAlpha16));
  return _mm256_packus_epi16(avx2::Div255Rounded(_mm256_add_epi16(low, k.Round), k),
                             avx2::Div255Rounded(_mm256_add_epi16(high, k.Round), k));
}

// Eight texels under the tint, still as bytes: texel x tint / 255 per
// channel, which a white tint leaves as it is.
template <TTint tint>
VECTOR_HELPER __m256i Tinted(__m256i texel, const TConstants& k) {
  if constexpr (tint != TTint::Other) return texel;
  return avx2::TintedBytes(texel, k.Tint16, k);
}

// Eight pixels of `under` under eight texels, by the rule (BlendBytes).
template <TTint tint>
VECTOR_HELPER __m256i Blended(__m256i texel, __m256i under, const TConstants& k) {
  if constexpr (tint == TTint::Black) return Shaded(texel, under, k);
  const __m256i alpha = _mm256_shuffle_epi8(texel, k.Alpha);
  const __m256i colour = _mm256_xor_si256(Tinted<tint>(texel, k), k.Flip);
  return avx2::BlendBytes(colour, alpha, under, k);
}

// One layer along its part of the row. Clear groups are skipped and opaque
// ones cover what is under them without reading it; the rule gives the same
// bits without these shortcuts.
template <TTint tint>
__attribute__((target("avx2"))) void BlendRun(uint32_t* dst, const uint32_t* texels, int count, uint32_t tintColour) {
  const TConstants k = MakeConstants(tintColour);
  const __m256i alphaBits = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i mask = _mm256_set1_epi32(static_cast<int>(ColourMask));
  int i = 0;
  for (; i + Lanes <= count; i += Lanes) {
    const __m256i texel = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texels + i));
    if (_mm256_testz_si256(texel, alphaBits)) continue;
    __m256i* out = reinterpret_cast<__m256i*>(dst + i);
    if (_mm256_testc_si256(texel, alphaBits)) {
      _mm256_storeu_si256(out, tint == TTint::Black ? k.Zero : _mm256_and_si256(Tinted<tint>(texel, k), mask));
      continue;
    }
    _mm256_storeu_si256(out, Blended<tint>(texel, _mm256_loadu_si256(out), k));
  }
  const int rest = count - i;
  if (rest > 0) avx2::StoreTail(dst + i, Blended<tint>(avx2::LoadTail(texels + i, rest), avx2::LoadTail(dst + i, rest), k), rest);
}

}  // namespace

// The layers one after another along the row: the row stays in the
// nearest cache from the first layer to the last, where square by square
// each layer would fetch the whole bubble's rows again.
__attribute__((target("avx2"))) void LayerSpanAvx2(uint32_t* row, const TLayerSpan* layers, int count) {
  for (int i = 0; i < count; ++i) {
    const TLayerSpan& layer = layers[i];
    if (layer.Begin >= layer.End) continue;
    uint32_t* dst = row + layer.Begin;
    const int length = layer.End - layer.Begin;
    switch (layer.Tint & ColourMask) {
      case White:
        BlendRun<TTint::White>(dst, layer.Texels, length, layer.Tint);
        break;
      case 0:
        BlendRun<TTint::Black>(dst, layer.Texels, length, layer.Tint);
        break;
      default:
        BlendRun<TTint::Other>(dst, layer.Texels, length, layer.Tint);
        break;
    }
  }
}
