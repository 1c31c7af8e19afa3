#include <immintrin.h>

#include <algorithm>
#include <cstdint>

#include "render/backends/cpu/CpuLayerSpan.h"

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

// The constants of the blend, made once per run and kept in registers: the
// compiler would otherwise build some afresh for every group.
struct TConstants {
  __m256i Zero, Round, Scale, Flip, Ones, Offset, Alpha, Tint16;
};

VECTOR_HELPER TConstants MakeConstants(uint32_t tintColour) {
  constexpr char z = -128;
  TConstants k;
  k.Zero = _mm256_setzero_si256();
  k.Round = _mm256_set1_epi16(128);
  k.Scale = _mm256_set1_epi16(257);
  k.Flip = _mm256_set1_epi8(static_cast<char>(0x80));
  k.Ones = _mm256_set1_epi8(static_cast<char>(0xFF));
  k.Offset = _mm256_set1_epi16(-32768);
  // Each pixel's alpha in its three colour bytes, 0 in its top byte.
  k.Alpha = _mm256_setr_epi8(3, 3, 3, z, 7, 7, 7, z, 11, 11, 11, z, 15, 15, 15, z, 3, 3, 3, z, 7, 7, 7, z, 11, 11, 11,
                             z, 15, 15, 15, z);
  k.Tint16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(tintColour | 0xFF000000u)), k.Zero);
  __asm__("" : "+x"(k.Zero), "+x"(k.Ones), "+x"(k.Offset));
  return k;
}

// Rounded x / 255 of 16-bit lanes holding x + 128 (0..65025 + 128): the
// high half of (x + 128) x 257, as Div255.
VECTOR_HELPER __m256i Div255Rounded(__m256i rounded, const TConstants& k) {
  return _mm256_mulhi_epu16(rounded, k.Scale);
}

// Eight texels under the tint, still as bytes: texel x tint / 255 per
// channel, which a white tint leaves as it is.
template <TTint tint>
VECTOR_HELPER __m256i Tinted(__m256i texel, const TConstants& k) {
  if constexpr (tint != TTint::Other) return texel;
  const __m256i low = _mm256_mullo_epi16(_mm256_unpacklo_epi8(texel, k.Zero), k.Tint16);
  const __m256i high = _mm256_mullo_epi16(_mm256_unpackhi_epi8(texel, k.Zero), k.Tint16);
  return _mm256_packus_epi16(Div255Rounded(_mm256_add_epi16(low, k.Round), k),
                             Div255Rounded(_mm256_add_epi16(high, k.Round), k));
}

// Eight pixels of `under` under eight texels, by the rule. Each channel's
// colour x alpha + under x (255 - alpha) comes from one multiply-add of
// byte pairs: the weights (alpha, 255 - alpha) as unsigned bytes, the
// values less 128 as signed ones, so the sum lies within -32640..32385 and
// never saturates; adding 32768 (128 x 255 taken off, plus the 128 that
// rounds) wraps it to the exact x + 128 the division wants.
// The top byte's weights are 0 and 255, so it keeps what is under it: the
// 0 every back-surface pixel has there.
template <TTint tint>
VECTOR_HELPER __m256i Blended(__m256i texel, __m256i under, const TConstants& k) {
  const __m256i alpha = _mm256_shuffle_epi8(texel, k.Alpha);
  const __m256i inverse = _mm256_xor_si256(alpha, k.Ones);
  // A black tint makes every colour 0, which less 128 is 0x80.
  const __m256i colour = tint == TTint::Black ? k.Flip : _mm256_xor_si256(Tinted<tint>(texel, k), k.Flip);
  const __m256i below = _mm256_xor_si256(under, k.Flip);
  const __m256i low = _mm256_add_epi16(
      _mm256_maddubs_epi16(_mm256_unpacklo_epi8(alpha, inverse), _mm256_unpacklo_epi8(colour, below)), k.Offset);
  const __m256i high = _mm256_add_epi16(
      _mm256_maddubs_epi16(_mm256_unpackhi_epi8(alpha, inverse), _mm256_unpackhi_epi8(colour, below)), k.Offset);
  return _mm256_packus_epi16(Div255Rounded(low, k), Div255Rounded(high, k));
}

// The last `rest` (1..7) lanes of a run, read through a mask; written back
// one by one, as a masked vector write is slow on some processors.
VECTOR_HELPER __m256i LoadRest(const uint32_t* from, int rest) {
  const __m256i inside = _mm256_cmpgt_epi32(_mm256_set1_epi32(rest), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  return _mm256_maskload_epi32(reinterpret_cast<const int*>(from), inside);
}

__attribute__((target("avx2"))) inline void StoreRest(uint32_t* to, __m256i pixels, int rest) {
  alignas(32) uint32_t out[Lanes];
  _mm256_store_si256(reinterpret_cast<__m256i*>(out), pixels);
  std::copy_n(out, rest, to);
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
  if (rest > 0) StoreRest(dst + i, Blended<tint>(LoadRest(texels + i, rest), LoadRest(dst + i, rest), k), rest);
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
