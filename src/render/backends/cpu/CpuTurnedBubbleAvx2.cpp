#include <immintrin.h>

#include <algorithm>

#include "render/backends/cpu/CpuBlendAvx2.h"
#include "render/backends/cpu/CpuSpanAvx2Parts.h"
#include "render/backends/cpu/CpuTurnedBubble.h"

// Compiled for AVX2 function by function, like the other AVX2 kernels:
// PairBlendSpanFunction only hands this out when the processor has it.
// Helpers returning vectors are always inlined (see CpuSpanAvx2.cpp).
#define VECTOR_HELPER __attribute__((target("avx2"), always_inline)) inline
#define AVX2_FUNCTION __attribute__((target("avx2")))

namespace {

constexpr int Lanes = WalkLanes;

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
// bytes from where each starts.
template <int scale, bool clamp>
VECTOR_HELPER __m256i Gather(const uint8_t* texels, const TLanes8& u, const TLanes8& v, __m256i lastColumn,
                             __m256i lastRow, __m256i tileRow) {
  return _mm256_i32gather_epi32(reinterpret_cast<const int*>(texels),
                                 avx2::TiledIndex<clamp>(u, v, lastColumn, lastRow, tileRow), scale);
}

// What a run's blend keeps in registers: the blend's constants and, per
// texture, the patterns that spread its alpha and grey over the colour
// bytes, and its colour: tinted once, less 128 (one-colour textures), or
// the tint in 16-bit lanes (grey ones, tinted texel by texel).
struct TPairConstants : avx2::TBlendConstants {
  __m256i FirstAlpha, SecondAlpha, FirstGrey, SecondGrey;
  __m256i FirstColour, SecondColour;
};

// One texture of the pair laid on `under`, its alpha in byte `alpha` of
// each texel and, when `grey`, its grey in the byte before.
template <bool grey>
VECTOR_HELPER __m256i Lay(__m256i texels, __m256i under, __m256i alphaPattern, __m256i greyPattern, __m256i colour,
                          const avx2::TBlendConstants& k) {
  const __m256i alpha = _mm256_shuffle_epi8(texels, alphaPattern);
  __m256i flipped = colour;
  if constexpr (grey) {
    flipped = _mm256_xor_si256(avx2::TintedBytes(_mm256_shuffle_epi8(texels, greyPattern), colour, k), k.Flip);
  }
  return avx2::BlendBytes(flipped, alpha, under, k);
}

// Eight pixels of `under` under the first texture and then the second, each
// rounded to 8 bits as its own draw would leave it; a texture clear over
// all eight leaves them as they are, as the rule does.
template <bool firstGrey, bool secondGrey>
VECTOR_HELPER __m256i Blended(__m256i texels, __m256i under, const TPairConstants& k) {
  using TLayout = TPairLayout<firstGrey, secondGrey>;
  if (!_mm256_testz_si256(texels, _mm256_set1_epi32(0xFF << (8 * TLayout::FirstAlpha)))) {
    under = Lay<firstGrey>(texels, under, k.FirstAlpha, k.FirstGrey, k.FirstColour, k);
  }
  if (!_mm256_testz_si256(texels, _mm256_set1_epi32(static_cast<int>(0xFFu << (8 * TLayout::SecondAlpha))))) {
    under = Lay<secondGrey>(texels, under, k.SecondAlpha, k.SecondGrey, k.SecondColour, k);
  }
  return under;
}

// A texture's colour as Lay takes it: the tint in 16-bit lanes for a grey
// one, else its one colour tinted once, each byte less 128.
template <bool grey>
VECTOR_HELPER __m256i LayColour(uint32_t colour, uint32_t tintColour, const avx2::TBlendConstants& k) {
  const __m256i tint16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(tintColour | 0xFF000000u)), k.Zero);
  if constexpr (grey) return tint16;
  return _mm256_xor_si256(avx2::TintedBytes(_mm256_set1_epi32(static_cast<int>(colour)), tint16, k), k.Flip);
}

template <bool firstGrey, bool secondGrey>
VECTOR_HELPER TPairConstants MakePairConstants(const TCpuTiledPair& pair, uint32_t firstTint, uint32_t secondTint) {
  using TLayout = TPairLayout<firstGrey, secondGrey>;
  TPairConstants k;
  static_cast<avx2::TBlendConstants&>(k) = avx2::MakeBlendConstants();
  k.FirstAlpha = avx2::SpreadPattern(TLayout::FirstAlpha);
  k.SecondAlpha = avx2::SpreadPattern(TLayout::SecondAlpha);
  k.FirstGrey = avx2::SpreadPattern(TLayout::FirstAlpha - 1);
  k.SecondGrey = avx2::SpreadPattern(TLayout::SecondAlpha - 1);
  k.FirstColour = LayColour<firstGrey>(pair.FirstColour, firstTint, k);
  k.SecondColour = LayColour<secondGrey>(pair.SecondColour, secondTint, k);
  return k;
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
  const TPairConstants k = MakePairConstants<firstGrey, secondGrey>(pair, firstTintColour, secondTintColour);
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
      _mm256_storeu_si256(out, Blended<firstGrey, secondGrey>(texels, _mm256_loadu_si256(out), k));
    }
    texels = next;
  }
  const int rest = count - i;
  if (rest == 0) return;
  // The last few pixels read through a lane mask and are written one by one.
  const __m256i inside = avx2::Inside(rest);
  const __m256i under = _mm256_maskload_epi32(reinterpret_cast<const int*>(dst + i), inside);
  StoreTail(dst + i, Blended<firstGrey, secondGrey>(_mm256_and_si256(texels, inside), under, k), rest);
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
