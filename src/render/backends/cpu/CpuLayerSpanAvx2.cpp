#include <immintrin.h>

#include <algorithm>
#include <climits>
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

// Rounded x / 255 of 16-bit lanes holding 0..65025, as Div255.
VECTOR_HELPER __m256i Div255x16(__m256i x) {
  return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

// Four pixels of `texel` (the half `high` picks of each 128-bit lane), each
// pixel's alpha spread over its four 16-bit lanes.
template <bool high>
VECTOR_HELPER __m256i SpreadAlpha(__m256i texel) {
  constexpr char a = high ? 11 : 3, b = high ? 15 : 7, z = -128;
  return _mm256_shuffle_epi8(texel, _mm256_setr_epi8(a, z, a, z, a, z, a, z, b, z, b, z, b, z, b, z, a, z, a, z, a,
                                                     z, a, z, b, z, b, z, b, z, b, z));
}

template <bool high>
VECTOR_HELPER __m256i Widen(__m256i pixels) {
  return high ? _mm256_unpackhi_epi8(pixels, _mm256_setzero_si256())
              : _mm256_unpacklo_epi8(pixels, _mm256_setzero_si256());
}

// Half of eight pixels, widened, under the same half of eight texels.
template <TTint tint, bool high>
VECTOR_HELPER __m256i BlendHalf(__m256i texel, __m256i under, __m256i tint16) {
  const __m256i alpha = SpreadAlpha<high>(texel);
  const __m256i inverse = _mm256_xor_si256(alpha, _mm256_set1_epi16(255));
  if constexpr (tint == TTint::Black) return Div255x16(_mm256_mullo_epi16(under, inverse));
  __m256i colour = Widen<high>(texel);
  if constexpr (tint == TTint::Other) colour = Div255x16(_mm256_mullo_epi16(colour, tint16));
  return Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(colour, alpha), _mm256_mullo_epi16(under, inverse)));
}

// What opaque texels show, widened: the tinted colour alone.
template <TTint tint, bool high>
VECTOR_HELPER __m256i OpaqueHalf(__m256i texel, __m256i tint16) {
  if constexpr (tint == TTint::Black) return _mm256_setzero_si256();
  if constexpr (tint == TTint::White) return Widen<high>(texel);
  return Div255x16(_mm256_mullo_epi16(Widen<high>(texel), tint16));
}

template <TTint tint>
VECTOR_HELPER void BlendLayer(__m256i texel, bool opaque, __m256i tint16, __m256i& low, __m256i& high) {
  if (opaque) {
    low = OpaqueHalf<tint, false>(texel, tint16);
    high = OpaqueHalf<tint, true>(texel, tint16);
  } else {
    low = BlendHalf<tint, false>(texel, low, tint16);
    high = BlendHalf<tint, true>(texel, high, tint16);
  }
}

// Lanes from..to-1 of eight.
VECTOR_HELPER __m256i LaneMask(int from, int to) {
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  return _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(to), lane),
                          _mm256_cmpgt_epi32(lane, _mm256_set1_epi32(from - 1)));
}

struct TLayer {
  __m256i Tint16;
  // Where pixel 0 of the row would find its texel: only ever read at the
  // pixels the layer covers, so kept as an address rather than a pointer
  // that could point before its texture.
  uintptr_t Origin;
  int Begin;
  int End;
  TTint Tint;
};

}  // namespace

// Groups of eight pixels across every layer of the row: the pixels are read
// and widened once, each layer covering part of the group is blended onto
// them in registers (a layer's pixels outside its span read as clear
// texels, which give back what is under them exactly), and they are
// narrowed and written once. Groups no layer shows anything in are not
// touched at all, and opaque texels replace what is under them without
// reading it.
__attribute__((target("avx2"))) void LayerSpanAvx2(uint32_t* row, const TLayerSpan* layers, int count) {
  TLayer prepared[MaxLayers];
  int used = 0;
  int begin = INT_MAX, end = INT_MIN;
  for (int i = 0; i < count && used < MaxLayers; ++i) {
    const TLayerSpan& from = layers[i];
    if (from.Begin >= from.End) continue;
    TLayer& layer = prepared[used++];
    const uint32_t colour = from.Tint & ColourMask;
    layer.Tint = colour == White ? TTint::White : colour == 0 ? TTint::Black : TTint::Other;
    layer.Tint16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(colour | 0xFF000000u)),
                                        _mm256_setzero_si256());
    layer.Origin = reinterpret_cast<uintptr_t>(from.Texels) - static_cast<uintptr_t>(from.Begin) * sizeof(uint32_t);
    layer.Begin = from.Begin;
    layer.End = from.End;
    begin = std::min(begin, from.Begin);
    end = std::max(end, from.End);
  }
  const __m256i opaqueBits = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i zero = _mm256_setzero_si256();
  for (int x = begin; x < end; x += Lanes) {
    const int rest = std::min(Lanes, end - x);
    __m256i low = zero, high = zero;
    bool drawn = false;
    for (int i = 0; i < used; ++i) {
      const TLayer& layer = prepared[i];
      const int from = std::max(layer.Begin - x, 0);
      const int to = std::min(layer.End - x, rest);
      if (from >= to) continue;
      const int* at = reinterpret_cast<const int*>(layer.Origin + static_cast<uintptr_t>(x) * sizeof(uint32_t));
      const __m256i texel = from == 0 && to == Lanes ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at))
                                                     : _mm256_maskload_epi32(at, LaneMask(from, to));
      const __m256i alphaBits = _mm256_and_si256(texel, opaqueBits);
      if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(alphaBits, zero)) == -1) continue;
      // Lanes a layer does not cover read as clear, so only a layer over the
      // whole group can be opaque in every lane.
      const bool opaque = _mm256_movemask_epi8(_mm256_cmpeq_epi32(alphaBits, opaqueBits)) == -1;
      if (!drawn && !opaque) {
        const __m256i under =
            rest == Lanes ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x))
                          : _mm256_maskload_epi32(reinterpret_cast<const int*>(row + x), LaneMask(0, rest));
        low = Widen<false>(under);
        high = Widen<true>(under);
      }
      drawn = true;
      switch (layer.Tint) {
        case TTint::White:
          BlendLayer<TTint::White>(texel, opaque, layer.Tint16, low, high);
          break;
        case TTint::Black:
          BlendLayer<TTint::Black>(texel, opaque, layer.Tint16, low, high);
          break;
        default:
          BlendLayer<TTint::Other>(texel, opaque, layer.Tint16, low, high);
          break;
      }
    }
    if (!drawn) continue;
    const __m256i out =
        _mm256_and_si256(_mm256_packus_epi16(low, high), _mm256_set1_epi32(static_cast<int>(ColourMask)));
    if (rest == Lanes) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), out);
    } else {
      // Written back one by one, as a masked vector write is slow on some
      // processors; the pixels past the row's end are not this row's.
      alignas(32) uint32_t pixels[Lanes];
      _mm256_store_si256(reinterpret_cast<__m256i*>(pixels), out);
      std::copy_n(pixels, rest, row + x);
    }
  }
}
