#include <immintrin.h>

#include <algorithm>

#include "render/backends/cpu/CpuSpanAvx2Parts.h"
#include "render/backends/cpu/CpuTurnedBubble.h"

// Compiled for AVX2 function by function, like the other AVX2 kernels:
// PairBlendSpanFunction only hands this out when the processor has it.
// Helpers returning vectors are always inlined (see CpuSpanAvx2.cpp).
#define VECTOR_HELPER __attribute__((target("avx2"), always_inline)) inline
#define AVX2_FUNCTION __attribute__((target("avx2")))

namespace {

constexpr uint32_t ColourMask = 0x00FFFFFF;
constexpr int Lanes = WalkLanes;

// Rounded x / 255 in 16-bit lanes holding 0..65025 (as in CpuSpanAvx2.cpp).
VECTOR_HELPER __m256i Div255x16(__m256i x) {
  return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

// Byte `at` of the four pixels the half `high` picks of each 128-bit lane,
// spread over each pixel's four 16-bit lanes, as the unpacked destination
// lays them out.
template <bool high, char at>
VECTOR_HELPER __m256i Spread(__m256i v) {
  const char a = high ? 8 + at : at, b = high ? 12 + at : 4 + at, z = -128;
  return _mm256_shuffle_epi8(
      v, _mm256_setr_epi8(a, z, a, z, a, z, a, z, b, z, b, z, b, z, b, z, a, z, a, z, a, z, a, z, b, z, b, z, b, z, b, z));
}

// One draw of the rule on unpacked pixels: colour x alpha + under x
// (255 - alpha), rounded to 8 bits.
VECTOR_HELPER __m256i Over(__m256i colour, __m256i alpha, __m256i under) {
  const __m256i inverse = _mm256_xor_si256(alpha, _mm256_set1_epi16(255));
  return Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(colour, alpha), _mm256_mullo_epi16(under, inverse)));
}

VECTOR_HELPER __m256i Tinted(__m256i colour16, __m256i tint16) {
  return Div255x16(_mm256_mullo_epi16(colour16, tint16));
}

VECTOR_HELPER __m256i Wide(uint32_t colour) {
  return _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(colour)), _mm256_setzero_si256());
}

// One texture of the pair, its alpha in byte `alpha`: with the grey in the
// byte before, tinted texel by texel (`grey`), or of one colour, tinted
// once (`colour16`).
template <bool grey, char alpha>
VECTOR_HELPER void Lay(__m256i texels, __m256i tint16, __m256i colour16, __m256i& low, __m256i& high) {
  if constexpr (grey) {
    low = Over(Tinted(Spread<false, alpha - 1>(texels), tint16), Spread<false, alpha>(texels), low);
    high = Over(Tinted(Spread<true, alpha - 1>(texels), tint16), Spread<true, alpha>(texels), high);
  } else {
    low = Over(colour16, Spread<false, alpha>(texels), low);
    high = Over(colour16, Spread<true, alpha>(texels), high);
  }
}

// Where the pair keeps each texture's alpha: two alphas side by side when
// neither is grey, else grey and alpha twice.
template <bool firstGrey, bool secondGrey>
struct TPairLayout {
  static constexpr bool Narrow = !firstGrey && !secondGrey;
  static constexpr int Scale = Narrow ? 2 : 4;
  static constexpr char FirstAlpha = Narrow ? 0 : 1;
  static constexpr char SecondAlpha = Narrow ? 1 : 3;
};

using avx2::TLanes8;

// The pair's texels at the lanes' positions, `scale` bytes each, read four
// bytes from where each starts; `clamp`: positions may leave the texture
// and are brought back onto its edge.
template <int scale, bool clamp>
VECTOR_HELPER __m256i Gather(const uint8_t* texels, const TLanes8& u, const TLanes8& v, __m256i lastColumn,
                             __m256i lastRow, __m256i tileRow) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i within = _mm256_set1_epi32(TCpuTiledTexels::TileSide - 1);
  __m256i column = u.Whole, row = v.Whole;
  if constexpr (clamp) {
    column = _mm256_min_epi32(_mm256_max_epi32(column, zero), lastColumn);
    row = _mm256_min_epi32(_mm256_max_epi32(row, zero), lastRow);
  }
  // (row & ~3) x tiles across x 4 + (row & 3) x 4 + (column & ~3) x 4 + (column & 3)
  const __m256i rowPart = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_andnot_si256(within, row), tileRow),
                                           _mm256_slli_epi32(_mm256_and_si256(row, within), 2));
  const __m256i columnPart = _mm256_add_epi32(_mm256_slli_epi32(_mm256_andnot_si256(within, column), 2),
                                              _mm256_and_si256(column, within));
  return _mm256_i32gather_epi32(reinterpret_cast<const int*>(texels), _mm256_add_epi32(rowPart, columnPart), scale);
}

template <bool firstGrey, bool secondGrey>
VECTOR_HELPER __m256i Blended(__m256i texels, __m256i under, __m256i firstTint, __m256i firstColour,
                              __m256i secondTint, __m256i secondColour) {
  using TLayout = TPairLayout<firstGrey, secondGrey>;
  const __m256i zero = _mm256_setzero_si256();
  __m256i low = _mm256_unpacklo_epi8(under, zero), high = _mm256_unpackhi_epi8(under, zero);
  if (!_mm256_testz_si256(texels, _mm256_set1_epi32(0xFF << (8 * TLayout::FirstAlpha)))) {
    Lay<firstGrey, TLayout::FirstAlpha>(texels, firstTint, firstColour, low, high);
  }
  if (!_mm256_testz_si256(texels, _mm256_set1_epi32(static_cast<int>(0xFFu << (8 * TLayout::SecondAlpha))))) {
    Lay<secondGrey, TLayout::SecondAlpha>(texels, secondTint, secondColour, low, high);
  }
  return _mm256_and_si256(_mm256_packus_epi16(low, high), _mm256_set1_epi32(static_cast<int>(ColourMask)));
}

using avx2::StoreTail;

template <bool firstGrey, bool secondGrey, bool clamp>
AVX2_FUNCTION void PairBlend(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps,
                             const TTexelWalk& start, int count, uint32_t firstTintColour,
                             uint32_t secondTintColour) {
  TLanes8 u(start.U, start.UPart, steps.LaneU, steps.LaneUPart, steps.UOver[1], steps.UPartOver[1],
            steps.UDenominator);
  TLanes8 v(start.V, start.VPart, steps.LaneV, steps.LaneVPart, steps.VOver[1], steps.VPartOver[1],
            steps.VDenominator);
  const __m256i lastColumn = _mm256_set1_epi32(pair.Width - 1);
  const __m256i lastRow = _mm256_set1_epi32(pair.Height - 1);
  const __m256i tileRow = _mm256_set1_epi32(pair.TilesAcross * TCpuTiledTexels::TileSide);
  const __m256i firstTint = Wide(firstTintColour | 0xFF000000u);
  const __m256i secondTint = Wide(secondTintColour | 0xFF000000u);
  // Texels kept as alpha alone share one colour, tinted once per run.
  const __m256i firstColour = Tinted(Wide(pair.FirstColour), firstTint);
  const __m256i secondColour = Tinted(Wide(pair.SecondColour), secondTint);
  using TLayout = TPairLayout<firstGrey, secondGrey>;
  // Both alphas; a narrow read's upper half belongs to the next texel.
  const __m256i alphas = _mm256_set1_epi32(static_cast<int>(TLayout::Narrow ? 0x0000FFFFu : 0xFF00FF00u));
  const uint8_t* words = pair.Texels();
  // A gather takes far longer to deliver than to issue: the next group's
  // goes out before this one is blended. Reading one group ahead stays on
  // the texture, clamped or not (the caller checked the walk's reach).
  __m256i texels = Gather<TLayout::Scale, clamp>(words, u, v, lastColumn, lastRow, tileRow);
  int i = 0;
  for (; i + Lanes <= count; i += Lanes) {
    u.Advance();
    v.Advance();
    const __m256i next = Gather<TLayout::Scale, clamp>(words, u, v, lastColumn, lastRow, tileRow);
    if (!_mm256_testz_si256(texels, alphas)) {
      __m256i* out = reinterpret_cast<__m256i*>(dst + i);
      _mm256_storeu_si256(out, Blended<firstGrey, secondGrey>(texels, _mm256_loadu_si256(out), firstTint,
                                                              firstColour, secondTint, secondColour));
    }
    texels = next;
  }
  const int rest = count - i;
  if (rest == 0) return;
  // The last few pixels read through a lane mask and are written one by one.
  const __m256i inside = avx2::Inside(rest);
  const __m256i under = _mm256_maskload_epi32(reinterpret_cast<const int*>(dst + i), inside);
  StoreTail(dst + i, Blended<firstGrey, secondGrey>(_mm256_and_si256(texels, inside), under, firstTint, firstColour,
                                                    secondTint, secondColour),
            rest);
}

template <bool firstGrey, bool secondGrey>
AVX2_FUNCTION void PairBlendClamped(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps,
                                   const TTexelWalk& start, int count, uint32_t firstTint, uint32_t secondTint) {
  if (avx2::StaysOn(steps, start, count, pair.Width, pair.Height)) {
    PairBlend<firstGrey, secondGrey, false>(dst, pair, steps, start, count, firstTint, secondTint);
  } else {
    PairBlend<firstGrey, secondGrey, true>(dst, pair, steps, start, count, firstTint, secondTint);
  }
}

}  // namespace

void PairBlendSpanAvx2(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps, const TTexelWalk& start,
                       int count, uint32_t firstTint, uint32_t secondTint) {
  if (!WalkFitsLanes(steps, start, count)) {
    PairBlendSpanScalar(dst, pair, steps, start, count, firstTint, secondTint);
    return;
  }
  if (pair.FirstGrey) {
    if (pair.SecondGrey) {
      PairBlendClamped<true, true>(dst, pair, steps, start, count, firstTint, secondTint);
    } else {
      PairBlendClamped<true, false>(dst, pair, steps, start, count, firstTint, secondTint);
    }
  } else if (pair.SecondGrey) {
    PairBlendClamped<false, true>(dst, pair, steps, start, count, firstTint, secondTint);
  } else {
    PairBlendClamped<false, false>(dst, pair, steps, start, count, firstTint, secondTint);
  }
}
