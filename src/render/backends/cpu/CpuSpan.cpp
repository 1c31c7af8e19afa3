#include "render/backends/cpu/CpuSpan.h"

#include <emmintrin.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>


namespace {

constexpr uint32_t ColourMask = 0x00FFFFFF;
constexpr uint32_t White = 0x00FFFFFF;

// Rounded division by 255 of eight 16-bit lanes holding 0..65025: with
// y = x + 128, (y + (y >> 8)) >> 8 is the high half of y x 257 (y + y / 256
// has no whole number between it and y + floor(y / 256)).
inline __m128i Div255x8(__m128i x) {
  return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}

// Two pixels widened to 16-bit lanes, each lane's alpha broadcast.
inline __m128i AlphaOf(__m128i wide) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}

// What a draw's tint lets the loop leave out: a white tint leaves texels as
// they are, a black one (the shadow) makes every colour 0.
enum class TTint { White, Black, Other };

template <TTint tint>
inline __m128i BlendHalf(__m128i texel, __m128i under, __m128i tint16) {
  const __m128i alpha = AlphaOf(texel);
  const __m128i inverse = _mm_xor_si128(alpha, _mm_set1_epi16(255));
  if constexpr (tint == TTint::Black) return Div255x8(_mm_mullo_epi16(under, inverse));
  __m128i colour = texel;
  if constexpr (tint == TTint::Other) colour = Div255x8(_mm_mullo_epi16(texel, tint16));
  return Div255x8(_mm_add_epi16(_mm_mullo_epi16(colour, alpha), _mm_mullo_epi16(under, inverse)));
}

template <TTint tint>
void BlendSse2(uint32_t* dst, const uint32_t* texels, int count, uint32_t tintColour) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i mask = _mm_set1_epi32(static_cast<int>(ColourMask));
  const __m128i tint16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(tintColour | 0xFF000000u)), zero);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i texel = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i));
    const __m128i alphaBits = _mm_and_si128(texel, opaque);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alphaBits, zero)) == 0xFFFF) continue;
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alphaBits, opaque)) == 0xFFFF) {
      // Opaque texels cover what is under them.
      if constexpr (tint == TTint::White) {
        _mm_storeu_si128(out, _mm_and_si128(texel, mask));
      } else if constexpr (tint == TTint::Black) {
        _mm_storeu_si128(out, zero);
      } else {
        const __m128i low = Div255x8(_mm_mullo_epi16(_mm_unpacklo_epi8(texel, zero), tint16));
        const __m128i high = Div255x8(_mm_mullo_epi16(_mm_unpackhi_epi8(texel, zero), tint16));
        _mm_storeu_si128(out, _mm_and_si128(_mm_packus_epi16(low, high), mask));
      }
      continue;
    }
    const __m128i under = _mm_loadu_si128(out);
    const __m128i low = BlendHalf<tint>(_mm_unpacklo_epi8(texel, zero), _mm_unpacklo_epi8(under, zero), tint16);
    const __m128i high = BlendHalf<tint>(_mm_unpackhi_epi8(texel, zero), _mm_unpackhi_epi8(under, zero), tint16);
    _mm_storeu_si128(out, _mm_and_si128(_mm_packus_epi16(low, high), mask));
  }
  BlendSpanScalar(dst + i, texels + i, count - i, tintColour);
}

// x clamped to 0..last in four 32-bit lanes.
inline __m128i ClampLanes(__m128i x, __m128i last) {
  x = _mm_andnot_si128(_mm_srai_epi32(x, 31), x);
  const __m128i over = _mm_cmpgt_epi32(x, last);
  return _mm_or_si128(_mm_and_si128(over, last), _mm_andnot_si128(over, x));
}

constexpr int64_t LaneLimit = WalkLaneLimit;

inline void StepPixel(int64_t& whole, int64_t& part, int64_t step, int64_t stepPart, int64_t denominator) {
  whole += step;
  part += stepPart;
  if (part >= denominator) {
    part -= denominator;
    ++whole;
  }
}

// One coordinate of four neighbouring pixels, from the first pixel's and the
// lanes' offsets. Remainders are kept less the denominator, in
// [-denominator, 0), so that a carry is a remainder no longer negative.
struct TLanes4 {
  __m128i Whole;
  __m128i Part;
  __m128i Step;
  __m128i StepPart;
  __m128i Denominator;

  TLanes4(int64_t whole, int64_t part, const int32_t* laneWhole, const int32_t* lanePart, int32_t step,
          int32_t stepPart, int64_t denominator)
      : Step(_mm_set1_epi32(step)),
        StepPart(_mm_set1_epi32(stepPart)),
        Denominator(_mm_set1_epi32(static_cast<int32_t>(denominator))) {
    Whole = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(whole)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(laneWhole)));
    Part = _mm_set1_epi32(static_cast<int32_t>(part - denominator));
    Carry(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lanePart)), _mm_setzero_si128());
  }
  void Advance() { Carry(StepPart, Step); }
  void Carry(__m128i stepPart, __m128i step) {
    Part = _mm_add_epi32(Part, stepPart);
    const __m128i carry = _mm_cmpgt_epi32(Part, _mm_set1_epi32(-1));
    Part = _mm_sub_epi32(Part, _mm_and_si128(carry, Denominator));
    Whole = _mm_sub_epi32(_mm_add_epi32(Whole, step), carry);
  }
};

}  // namespace

void PlanWalk(TWalkSteps& steps) {
  steps.Lanes = steps.UDenominator <= INT32_MAX && steps.VDenominator <= INT32_MAX &&
                std::abs(steps.UStep) < LaneLimit / 64 && std::abs(steps.VStep) < LaneLimit / 64;
  if (!steps.Lanes) return;
  int64_t u = 0, uPart = 0, v = 0, vPart = 0;
  for (int k = 0; k <= WalkLanes; ++k) {
    if (k == 4 || k == WalkLanes) {
      const int at = k == 4 ? 0 : 1;
      steps.UOver[at] = static_cast<int32_t>(u);
      steps.UPartOver[at] = static_cast<int32_t>(uPart);
      steps.VOver[at] = static_cast<int32_t>(v);
      steps.VPartOver[at] = static_cast<int32_t>(vPart);
    }
    if (k == WalkLanes) break;
    steps.LaneU[k] = static_cast<int32_t>(u);
    steps.LaneUPart[k] = static_cast<int32_t>(uPart);
    steps.LaneV[k] = static_cast<int32_t>(v);
    steps.LaneVPart[k] = static_cast<int32_t>(vPart);
    StepPixel(u, uPart, steps.UStep, steps.UStepPart, steps.UDenominator);
    StepPixel(v, vPart, steps.VStep, steps.VStepPart, steps.VDenominator);
  }
}

TTexelWalk WalkFrom(const TWalkSteps& steps, const TTexelWalk& start, int count) {
  // A remainder times the count needs more than 64 bits.
  __extension__ typedef __int128 TWide;
  const auto stride = [count](int64_t& whole, int64_t& part, int64_t step, int64_t stepPart, int64_t denominator) {
    const TWide sum = static_cast<TWide>(part) + static_cast<TWide>(stepPart) * count;
    whole += step * count + static_cast<int64_t>(sum / denominator);
    part = static_cast<int64_t>(sum % denominator);
  };
  TTexelWalk at = start;
  stride(at.U, at.UPart, steps.UStep, steps.UStepPart, steps.UDenominator);
  stride(at.V, at.VPart, steps.VStep, steps.VStepPart, steps.VDenominator);
  return at;
}

void WalkSpanScalar(uint32_t* out, const uint32_t* texels, int width, int height, const TWalkSteps& steps,
                    const TTexelWalk& start, int count) {
  int64_t u = start.U, uPart = start.UPart, v = start.V, vPart = start.VPart;
  for (int i = 0; i < count; ++i) {
    const int64_t column = std::clamp<int64_t>(u, 0, width - 1);
    const int64_t row = std::clamp<int64_t>(v, 0, height - 1);
    out[i] = texels[row * width + column];
    StepPixel(u, uPart, steps.UStep, steps.UStepPart, steps.UDenominator);
    StepPixel(v, vPart, steps.VStep, steps.VStepPart, steps.VDenominator);
  }
}

// SSE2 has no gather: the positions are worked out four at a time and the
// texels read one by one. The last group is worked out whole and stored in
// part.
void WalkSpanSse2(uint32_t* out, const uint32_t* texels, int width, int height, const TWalkSteps& steps,
                  const TTexelWalk& start, int count) {
  constexpr int Lanes = 4;
  if (!WalkFitsLanes(steps, start, count)) {
    WalkSpanScalar(out, texels, width, height, steps, start, count);
    return;
  }
  TLanes4 u(start.U, start.UPart, steps.LaneU, steps.LaneUPart, steps.UOver[0], steps.UPartOver[0],
            steps.UDenominator);
  TLanes4 v(start.V, start.VPart, steps.LaneV, steps.LaneVPart, steps.VOver[0], steps.VPartOver[0],
            steps.VDenominator);
  const __m128i lastColumn = _mm_set1_epi32(width - 1);
  const __m128i lastRow = _mm_set1_epi32(height - 1);
  alignas(16) int32_t columns[Lanes];
  alignas(16) int32_t rows[Lanes];
  for (int i = 0; i < count; i += Lanes) {
    _mm_store_si128(reinterpret_cast<__m128i*>(columns), ClampLanes(u.Whole, lastColumn));
    _mm_store_si128(reinterpret_cast<__m128i*>(rows), ClampLanes(v.Whole, lastRow));
    const int lanes = std::min(Lanes, count - i);
    for (int k = 0; k < lanes; ++k) out[i + k] = texels[static_cast<std::ptrdiff_t>(rows[k]) * width + columns[k]];
    u.Advance();
    v.Advance();
  }
}

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
  switch (tint & ColourMask) {
    case White:
      BlendSse2<TTint::White>(dst, texels, count, tint);
      break;
    case 0:
      BlendSse2<TTint::Black>(dst, texels, count, tint);
      break;
    default:
      BlendSse2<TTint::Other>(dst, texels, count, tint);
      break;
  }
}

TSpanKernel ResolveSpanKernel(TSpanKernel wanted) {
  const bool avx2 = __builtin_cpu_supports("avx2");
  if (wanted == TSpanKernel::Best) return avx2 ? TSpanKernel::Avx2 : TSpanKernel::Sse2;
  if (wanted == TSpanKernel::Avx2 && !avx2) return TSpanKernel::Sse2;
  return wanted;
}

TBlendSpanFn BlendSpanFunction(TSpanKernel kernel) {
  return PickSpanKernel(kernel, &BlendSpanScalar, &BlendSpanSse2, &BlendSpanAvx2);
}

void GatherSpanScalar(uint32_t* out, const uint32_t* row, const uint16_t* columns, int count) {
  for (int i = 0; i < count; ++i) out[i] = row[columns[i]];
}

TGatherSpanFn GatherSpanFunction(TSpanKernel kernel) {
  return ResolveSpanKernel(kernel) == TSpanKernel::Avx2 ? &GatherSpanAvx2 : &GatherSpanScalar;
}

TWalkSpanFn WalkSpanFunction(TSpanKernel kernel) {
  return PickSpanKernel(kernel, &WalkSpanScalar, &WalkSpanSse2, &WalkSpanAvx2);
}

const char* SpanKernelName(TSpanKernel kernel) {
  return PickSpanKernel<const char*>(kernel, "scalar", "sse2", "avx2");
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

TCopySpanFn CopySpanFunction(TSpanKernel kernel) {
  return PickSpanKernel(kernel, &CopySpanMasked, &CopySpanMasked, &CopySpanMaskedAvx2);
}
