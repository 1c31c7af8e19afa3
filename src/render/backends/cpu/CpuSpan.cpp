#include "render/backends/cpu/CpuSpan.h"

#include <emmintrin.h>

namespace {

constexpr uint32_t ColourMask = 0x00FFFFFF;
constexpr uint32_t White = 0x00FFFFFF;

// Rounded division by 255 of eight 16-bit lanes holding 0..65025.
inline __m128i Div255x8(__m128i x) {
  const __m128i y = _mm_add_epi16(x, _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(y, _mm_srli_epi16(y, 8)), 8);
}

// Two pixels widened to 16-bit lanes, each lane's alpha broadcast.
inline __m128i AlphaOf(__m128i wide) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}

inline __m128i BlendHalf(__m128i texel, __m128i under, __m128i tint, bool white) {
  const __m128i alpha = AlphaOf(texel);
  const __m128i colour = white ? texel : Div255x8(_mm_mullo_epi16(texel, tint));
  const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
  return Div255x8(_mm_add_epi16(_mm_mullo_epi16(colour, alpha), _mm_mullo_epi16(under, inverse)));
}

template <bool white>
void BlendSse2(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i mask = _mm_set1_epi32(static_cast<int>(ColourMask));
  const __m128i tint16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(tint | 0xFF000000u)), zero);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i texel = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i));
    const __m128i alphaBits = _mm_and_si128(texel, opaque);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alphaBits, zero)) == 0xFFFF) continue;
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    if (white && _mm_movemask_epi8(_mm_cmpeq_epi32(alphaBits, opaque)) == 0xFFFF) {
      _mm_storeu_si128(out, _mm_and_si128(texel, mask));
      continue;
    }
    const __m128i under = _mm_loadu_si128(out);
    const __m128i low = BlendHalf(_mm_unpacklo_epi8(texel, zero), _mm_unpacklo_epi8(under, zero), tint16, white);
    const __m128i high = BlendHalf(_mm_unpackhi_epi8(texel, zero), _mm_unpackhi_epi8(under, zero), tint16, white);
    _mm_storeu_si128(out, _mm_and_si128(_mm_packus_epi16(low, high), mask));
  }
  BlendSpanScalar(dst + i, texels + i, count - i, tint);
}

}  // namespace

void BlendSpanScalar(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint) {
  const bool white = (tint & ColourMask) == White;
  for (int i = 0; i < count; ++i) {
    const uint32_t texel = texels[i];
    const uint32_t alpha = texel >> 24;
    if (alpha == 0) continue;
    if (alpha == 255 && white) {
      dst[i] = texel & ColourMask;
      continue;
    }
    dst[i] = BlendPixel(dst[i], texel, tint);
  }
}

void BlendSpanSse2(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint) {
  if ((tint & ColourMask) == White) {
    BlendSse2<true>(dst, texels, count, tint);
  } else {
    BlendSse2<false>(dst, texels, count, tint);
  }
}

TSpanKernel ResolveSpanKernel(TSpanKernel wanted) {
  const bool avx2 = __builtin_cpu_supports("avx2");
  if (wanted == TSpanKernel::Best) return avx2 ? TSpanKernel::Avx2 : TSpanKernel::Sse2;
  if (wanted == TSpanKernel::Avx2 && !avx2) return TSpanKernel::Sse2;
  return wanted;
}

TBlendSpanFn BlendSpanFunction(TSpanKernel kernel) {
  switch (ResolveSpanKernel(kernel)) {
    case TSpanKernel::Scalar:
      return &BlendSpanScalar;
    case TSpanKernel::Avx2:
      return &BlendSpanAvx2;
    default:
      return &BlendSpanSse2;
  }
}

void GatherSpanScalar(uint32_t* out, const uint32_t* row, const uint16_t* columns, int count) {
  for (int i = 0; i < count; ++i) out[i] = row[columns[i]];
}

TGatherSpanFn GatherSpanFunction(TSpanKernel kernel) {
  return ResolveSpanKernel(kernel) == TSpanKernel::Avx2 ? &GatherSpanAvx2 : &GatherSpanScalar;
}

const char* SpanKernelName(TSpanKernel kernel) {
  switch (ResolveSpanKernel(kernel)) {
    case TSpanKernel::Scalar:
      return "scalar";
    case TSpanKernel::Avx2:
      return "avx2";
    default:
      return "sse2";
  }
}

void CopySpanMasked(uint32_t* dst, const uint32_t* src, int count) {
  const __m128i mask = _mm_set1_epi32(static_cast<int>(ColourMask));
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_and_si128(pixels, mask));
  }
  for (; i < count; ++i) dst[i] = src[i] & ColourMask;
}
