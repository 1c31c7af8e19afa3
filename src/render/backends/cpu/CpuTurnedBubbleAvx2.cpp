#include <immintrin.h>

#include <algorithm>
#include <cstring>

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
// neither is grey (a third's after them), else grey and alpha twice.
template <bool firstGrey, bool secondGrey, bool third = false>
struct TPairLayout {
  static constexpr bool Narrow = !firstGrey && !secondGrey;
  static constexpr int Scale = Narrow ? (third ? 3 : 2) : 4;
  static constexpr char FirstAlpha = Narrow ? 0 : 1;
  static constexpr char SecondAlpha = Narrow ? 1 : 3;
};

using avx2::TLanes8;

// The pair's texels at the lanes' positions, `scale` bytes each, read four
// bytes from where each starts.
template <int scale, bool clamp>
VECTOR_HELPER __m256i Gather(const uint8_t* texels, const TLanes8& u, const TLanes8& v, __m256i lastColumn,
                             __m256i lastRow, __m256i tileRow) {
  const __m256i index = avx2::TiledIndex<clamp>(u, v, lastColumn, lastRow, tileRow);
  if constexpr (scale == 3) return avx2::LoadEight(texels, _mm256_add_epi32(index, _mm256_add_epi32(index, index)));
  return avx2::LoadEight(texels, _mm256_slli_epi32(index, scale == 2 ? 1 : 2));
}

// What a run's blend keeps in registers: the blend's constants and, per
// texture, the patterns that spread its alpha and grey over the colour
// bytes, and its colour: tinted once, less 128 (one-colour textures), or
// the tint in 16-bit lanes (grey ones, tinted texel by texel).
struct TPairConstants : avx2::TBlendConstants {
  __m256i FirstAlpha, SecondAlpha, FirstGrey, SecondGrey;
  __m256i FirstColour, SecondColour;
  // The second's colour byte, less 128, in the low half of each 16-bit lane
  // and 0x80 in the high half (two textures of one colour each).
  __m256i SecondPairs;
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

// Both textures of one colour each laid on `under`, the first's result
// kept in 16-bit lanes for the second: each lane of a layer's result is
// x + 128 over 255 rounded, a byte, which becomes the second's "under"
// byte, less 128, in the high half of the lane whose low half holds the
// second's colour byte, less 128 (`secondPairs`: that byte with 0x80 in
// the high half). The rounding to 8 bits between the two stays as two draws
// leave it; only the packing and unpacking in between are left out.
VECTOR_HELPER __m256i BothOneColour(__m256i texels, __m256i under, __m256i secondPairs, const TPairConstants& k) {
  const __m256i firstAlpha = _mm256_shuffle_epi8(texels, k.FirstAlpha);
  const __m256i firstInverse = _mm256_xor_si256(firstAlpha, k.Ones);
  const __m256i below = _mm256_xor_si256(under, k.Flip);
  const __m256i firstLow = avx2::Div255Rounded(
      _mm256_add_epi16(_mm256_maddubs_epi16(_mm256_unpacklo_epi8(firstAlpha, firstInverse),
                                            _mm256_unpacklo_epi8(k.FirstColour, below)),
                       k.Offset),
      k);
  const __m256i firstHigh = avx2::Div255Rounded(
      _mm256_add_epi16(_mm256_maddubs_epi16(_mm256_unpackhi_epi8(firstAlpha, firstInverse),
                                            _mm256_unpackhi_epi8(k.FirstColour, below)),
                       k.Offset),
      k);
  const __m256i secondAlpha = _mm256_shuffle_epi8(texels, k.SecondAlpha);
  const __m256i secondInverse = _mm256_xor_si256(secondAlpha, k.Ones);
  const __m256i low = _mm256_add_epi16(
      _mm256_maddubs_epi16(_mm256_unpacklo_epi8(secondAlpha, secondInverse),
                           _mm256_xor_si256(_mm256_slli_epi16(firstLow, 8), secondPairs)),
      k.Offset);
  const __m256i high = _mm256_add_epi16(
      _mm256_maddubs_epi16(_mm256_unpackhi_epi8(secondAlpha, secondInverse),
                           _mm256_xor_si256(_mm256_slli_epi16(firstHigh, 8), secondPairs)),
      k.Offset);
  return _mm256_packus_epi16(avx2::Div255Rounded(low, k), avx2::Div255Rounded(high, k));
}

// Whether each texture shows anything on eight pixels.
struct TShown {
  bool First, Second;
};

template <bool firstGrey, bool secondGrey>
VECTOR_HELPER TShown Shown(__m256i texels) {
  // The third texture's alpha, when there is one, sits above both alphas.
  using TLayout = TPairLayout<firstGrey, secondGrey>;
  if constexpr (TLayout::Narrow) {
    // One mask of the clear alpha bytes answers both: a vector test a
    // texture costs more where these loops are held up. The upper half of
    // a narrow read belongs to the next texel, or to the third texture.
    const __m256i alphas = _mm256_and_si256(texels, _mm256_set1_epi32(0xFFFF));
    const auto clear = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(alphas, _mm256_setzero_si256())));
    constexpr uint32_t FirstBytes = 0x11111111u << TLayout::FirstAlpha;
    constexpr uint32_t SecondBytes = 0x11111111u << TLayout::SecondAlpha;
    return TShown{(clear & FirstBytes) != FirstBytes, (clear & SecondBytes) != SecondBytes};
  }
  return TShown{!_mm256_testz_si256(texels, _mm256_set1_epi32(0xFF << (8 * TLayout::FirstAlpha))),
                !_mm256_testz_si256(texels, _mm256_set1_epi32(static_cast<int>(0xFFu << (8 * TLayout::SecondAlpha))))};
}

// Eight pixels of `under` under the first texture and then the second, each
// rounded to 8 bits as its own draw would leave it; a texture clear over
// all eight (`shown`) leaves them as they are, as the rule does.
template <bool firstGrey, bool secondGrey>
VECTOR_HELPER __m256i Blended(__m256i texels, __m256i under, TShown shown, const TPairConstants& k) {
  if constexpr (!firstGrey && !secondGrey) {
    if (shown.First && shown.Second) return BothOneColour(texels, under, k.SecondPairs, k);
  }
  if (shown.First) under = Lay<firstGrey>(texels, under, k.FirstAlpha, k.FirstGrey, k.FirstColour, k);
  if (shown.Second) under = Lay<secondGrey>(texels, under, k.SecondAlpha, k.SecondGrey, k.SecondColour, k);
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
  k.SecondPairs = _mm256_xor_si256(_mm256_unpacklo_epi8(k.SecondColour, k.Zero), _mm256_set1_epi16(-32768));
  return k;
}

using avx2::StoreTail;

// What a run does: blend both textures, blend them and keep the third's
// alphas, or keep those alone.
enum class TPairMode { Blend, BlendAndKeep, Keep };

// The third texture's alphas of eight texels (byte 2 of each) as eight bytes.
VECTOR_HELPER __m128i ThirdAlphas(__m256i texels) {
  constexpr char z = -128;
  const __m256i packed = _mm256_shuffle_epi8(
      texels, _mm256_setr_epi8(2, 6, 10, 14, z, z, z, z, z, z, z, z, z, z, z, z, 2, 6, 10, 14, z, z, z, z, z, z, z, z,
                               z, z, z, z));
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 1, 1, 1, 1, 1)));
}

template <bool firstGrey, bool secondGrey, bool third, bool clamp, TPairMode mode>
AVX2_FUNCTION void PairBlend(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps,
                             const TTexelWalk& start, int count, uint32_t firstTintColour,
                             uint32_t secondTintColour, uint8_t* thirdAlphas) {
  constexpr bool blend = mode != TPairMode::Keep;
  constexpr bool keep = mode != TPairMode::Blend;
  TLanes8 u(start.U, start.UPart, steps.LaneU, steps.LaneUPart, steps.UOver[1], steps.UPartOver[1],
            steps.UDenominator);
  TLanes8 v(start.V, start.VPart, steps.LaneV, steps.LaneVPart, steps.VOver[1], steps.VPartOver[1],
            steps.VDenominator);
  const __m256i lastColumn = _mm256_set1_epi32(pair.Width - 1);
  const __m256i lastRow = _mm256_set1_epi32(pair.Height - 1);
  const __m256i tileRow = _mm256_set1_epi32(pair.TilesAcross * TCpuTiledTexels::TileSide);
  TPairConstants k;
  if constexpr (blend) k = MakePairConstants<firstGrey, secondGrey>(pair, firstTintColour, secondTintColour);
  using TLayout = TPairLayout<firstGrey, secondGrey, third>;
  const uint8_t* words = pair.Texels();
  // Texel reads take far longer to deliver than to issue: the next group's
  // go out before this one is blended. Reading one group ahead stays on
  // the texture, clamped or not (the caller checked the walk's reach).
  __m256i texels = Gather<TLayout::Scale, clamp>(words, u, v, lastColumn, lastRow, tileRow);
  int i = 0;
  for (; i + Lanes <= count; i += Lanes) {
    u.Advance();
    v.Advance();
    const __m256i next = Gather<TLayout::Scale, clamp>(words, u, v, lastColumn, lastRow, tileRow);
    if constexpr (keep) _mm_storel_epi64(reinterpret_cast<__m128i*>(thirdAlphas + i), ThirdAlphas(texels));
    if constexpr (blend) {
      const TShown shown = Shown<firstGrey, secondGrey>(texels);
      if (shown.First || shown.Second) {
        __m256i* out = reinterpret_cast<__m256i*>(dst + i);
        _mm256_storeu_si256(out, Blended<firstGrey, secondGrey>(texels, _mm256_loadu_si256(out), shown, k));
      }
    }
    texels = next;
  }
  const int rest = count - i;
  if (rest == 0) return;
  const __m256i inside = avx2::Inside(rest);
  if constexpr (keep) {
    const uint64_t last = static_cast<uint64_t>(_mm_cvtsi128_si64(ThirdAlphas(texels)));
    avx2::StoreBytes(thirdAlphas + i, last, rest);
  }
  if constexpr (blend) {
    // The last few pixels read through a lane mask and are written one by one.
    const __m256i under = _mm256_maskload_epi32(reinterpret_cast<const int*>(dst + i), inside);
    const __m256i shownTexels = _mm256_and_si256(texels, inside);
    StoreTail(dst + i,
              Blended<firstGrey, secondGrey>(shownTexels, under, Shown<firstGrey, secondGrey>(shownTexels), k),
              rest);
  }
}

template <bool firstGrey, bool secondGrey, bool third, TPairMode mode>
AVX2_FUNCTION void PairBlendClamped(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps,
                                   const TTexelWalk& start, int count, uint32_t firstTint, uint32_t secondTint,
                                   uint8_t* thirdAlphas) {
  if (avx2::StaysOn(steps, start, count, pair.Width, pair.Height)) {
    PairBlend<firstGrey, secondGrey, third, false, mode>(dst, pair, steps, start, count, firstTint, secondTint,
                                                         thirdAlphas);
  } else {
    PairBlend<firstGrey, secondGrey, third, true, mode>(dst, pair, steps, start, count, firstTint, secondTint,
                                                        thirdAlphas);
  }
}

// Three alphas: what the run does decides the loop.
AVX2_FUNCTION void ThreeAlphas(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps,
                               const TTexelWalk& start, int count, uint32_t firstTint, uint32_t secondTint,
                               uint8_t* thirdAlphas) {
  if (!thirdAlphas) {
    PairBlendClamped<false, false, true, TPairMode::Blend>(dst, pair, steps, start, count, firstTint, secondTint,
                                                           nullptr);
  } else if (dst) {
    PairBlendClamped<false, false, true, TPairMode::BlendAndKeep>(dst, pair, steps, start, count, firstTint,
                                                                  secondTint, thirdAlphas);
  } else {
    PairBlendClamped<false, false, true, TPairMode::Keep>(dst, pair, steps, start, count, firstTint, secondTint,
                                                          thirdAlphas);
  }
}

}  // namespace

void PairBlendSpanAvx2(uint32_t* dst, const TCpuTiledPair& pair, const TWalkSteps& steps, const TTexelWalk& start,
                       int count, uint32_t firstTint, uint32_t secondTint, uint8_t* third) {
  if (!WalkFitsLanes(steps, start, count)) {
    PairBlendSpanScalar(dst, pair, steps, start, count, firstTint, secondTint, third);
    return;
  }
  constexpr TPairMode Blend = TPairMode::Blend;
  if (pair.HasThird) {
    ThreeAlphas(dst, pair, steps, start, count, firstTint, secondTint, third);
  } else if (pair.FirstGrey) {
    if (pair.SecondGrey) {
      PairBlendClamped<true, true, false, Blend>(dst, pair, steps, start, count, firstTint, secondTint, nullptr);
    } else {
      PairBlendClamped<true, false, false, Blend>(dst, pair, steps, start, count, firstTint, secondTint, nullptr);
    }
  } else if (pair.SecondGrey) {
    PairBlendClamped<false, true, false, Blend>(dst, pair, steps, start, count, firstTint, secondTint, nullptr);
  } else {
    PairBlendClamped<false, false, false, Blend>(dst, pair, steps, start, count, firstTint, secondTint, nullptr);
  }
}
