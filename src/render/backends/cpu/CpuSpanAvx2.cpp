#include <immintrin.h>

#include <algorithm>

#include "render/backends/cpu/CpuSpan.h"
#include "render/backends/cpu/CpuSpanAvx2Parts.h"

// Compiled for AVX2 function by function, so the rest of the program still
// runs on processors without it; BlendSpanFunction only hands this out when
// the processor says it has AVX2.

// Helpers returning a vector are always inlined: MinGW's compiler keeps an
// out-of-line copy of one now and then, and a function returning a 256-bit
// vector out of line is an ABI warning there (an error with warnings as
// errors), as the file is not built for AVX as a whole.
#define VECTOR_HELPER __attribute__((target("avx2"), always_inline)) inline

namespace {

constexpr uint32_t ColourMask = 0x00FFFFFF;
constexpr uint32_t White = 0x00FFFFFF;

// Rounded x / 255 for 16-bit lanes holding 0..65025: with y = x + 128,
// (y + (y >> 8)) >> 8 equals the high half of y x 257, one multiply instead
// of two shifts and an add (y + y / 256 has no whole number between it and
// y + floor(y / 256), so both floors agree).
VECTOR_HELPER __m256i Div255x16(__m256i x) {
  return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

// What a draw's tint lets the loop leave out: a white tint leaves texels as
// they are, a black one (the shadow) makes every colour 0.
enum class TTint { White, Black, Other };

// Four pixels of `texel` (the half `high` picks of each 128-bit lane), each
// pixel's alpha, byte `at` of its four, spread over its four 16-bit lanes.
template <bool high, char at = 3>
VECTOR_HELPER __m256i SpreadAlpha(__m256i texel) {
  const char a = high ? 8 + at : at, b = high ? 12 + at : 4 + at, z = -128;
  return _mm256_shuffle_epi8(texel, _mm256_setr_epi8(a, z, a, z, a, z, a, z, b, z, b, z, b, z, b, z, a, z, a, z, a,
                                                     z, a, z, b, z, b, z, b, z, b, z));
}

// `oneColour`: the texels all have one colour, given already tinted in
// 16-bit lanes as `tint16`, and their alphas sit in byte 0; the same bits
// without unpacking and tinting each texel.
template <TTint tint, bool high, bool oneColour = false>
VECTOR_HELPER __m256i BlendHalf(__m256i texels, __m256i under, __m256i tint16) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i alpha = SpreadAlpha<high, oneColour ? 0 : 3>(texels);
  // 255 - alpha, as alpha never exceeds 255.
  const __m256i inverse = _mm256_xor_si256(alpha, _mm256_set1_epi16(255));
  const __m256i below = high ? _mm256_unpackhi_epi8(under, zero) : _mm256_unpacklo_epi8(under, zero);
  if constexpr (tint == TTint::Black) return Div255x16(_mm256_mullo_epi16(below, inverse));
  if constexpr (oneColour) {
    return Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(tint16, alpha), _mm256_mullo_epi16(below, inverse)));
  }
  const __m256i texel = high ? _mm256_unpackhi_epi8(texels, zero) : _mm256_unpacklo_epi8(texels, zero);
  __m256i colour = texel;
  if constexpr (tint == TTint::Other) colour = Div255x16(_mm256_mullo_epi16(texel, tint16));
  return Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(colour, alpha), _mm256_mullo_epi16(below, inverse)));
}

// An opaque texel under a tint shows the tinted colour alone.
template <TTint tint, bool high>
VECTOR_HELPER __m256i TintHalf(__m256i texels, __m256i tint16) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i texel = high ? _mm256_unpackhi_epi8(texels, zero) : _mm256_unpacklo_epi8(texels, zero);
  return Div255x16(_mm256_mullo_epi16(texel, tint16));
}

// Eight pixels of `under` under eight texels, by the rule (`oneColour` as
// for BlendHalf).
template <TTint tint, bool oneColour = false>
VECTOR_HELPER __m256i Blended(__m256i texel, __m256i under, __m256i tint16) {
  const __m256i low = BlendHalf<tint, false, oneColour>(texel, under, tint16);
  const __m256i high = BlendHalf<tint, true, oneColour>(texel, under, tint16);
  return _mm256_and_si256(_mm256_packus_epi16(low, high), _mm256_set1_epi32(static_cast<int>(ColourMask)));
}

// Eight pixels at `dst` under eight texels. `shortcuts` skips clear groups
// and copies opaque ones; the rule gives the same bits without them.
template <TTint tint, bool shortcuts = true>
__attribute__((target("avx2"))) inline void BlendBlock(uint32_t* dst, __m256i texel, __m256i tint16) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i mask = _mm256_set1_epi32(static_cast<int>(ColourMask));
  const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i alphaBits = _mm256_and_si256(texel, opaque);
  if (shortcuts && _mm256_movemask_epi8(_mm256_cmpeq_epi32(alphaBits, zero)) == -1) return;
  __m256i* out = reinterpret_cast<__m256i*>(dst);
  if (shortcuts && _mm256_movemask_epi8(_mm256_cmpeq_epi32(alphaBits, opaque)) == -1) {
    // Opaque texels cover what is under them.
    if constexpr (tint == TTint::White) {
      _mm256_storeu_si256(out, _mm256_and_si256(texel, mask));
    } else if constexpr (tint == TTint::Black) {
      _mm256_storeu_si256(out, zero);
    } else {
      const __m256i tinted =
          _mm256_packus_epi16(TintHalf<tint, false>(texel, tint16), TintHalf<tint, true>(texel, tint16));
      _mm256_storeu_si256(out, _mm256_and_si256(tinted, mask));
    }
    return;
  }
  _mm256_storeu_si256(out, Blended<tint>(texel, _mm256_loadu_si256(out), tint16));
}

// Eight pixels at `dst` under texels of one colour (BlendHalf's
// `oneColour`), skipping clear groups and filling opaque ones with
// `opaqueColour`; the rule gives the same bits without the shortcuts.
template <TTint tint>
__attribute__((target("avx2"))) inline void BlendOneColourBlock(uint32_t* dst, __m256i alphas, __m256i colour16,
                                                                __m256i opaqueColour) {
  // Each alpha is byte 0 of its lane; the bytes above belong to other texels.
  const __m256i alphaBits = _mm256_set1_epi32(0xFF);
  if (_mm256_testz_si256(alphas, alphaBits)) return;
  __m256i* out = reinterpret_cast<__m256i*>(dst);
  if (_mm256_testc_si256(alphas, alphaBits)) {
    _mm256_storeu_si256(out, opaqueColour);
    return;
  }
  _mm256_storeu_si256(out, Blended<tint, true>(alphas, _mm256_loadu_si256(out), colour16));
}

using avx2::LoadTail;
using avx2::StoreTail;
using avx2::TLanes8;

template <TTint tint>
__attribute__((target("avx2"))) inline void BlendTail(uint32_t* dst, __m256i texel, int rest, __m256i tint16) {
  StoreTail(dst, Blended<tint>(texel, LoadTail(dst, rest), tint16), rest);
}

template <TTint tint>
__attribute__((target("avx2"))) void BlendAvx2(uint32_t* dst, const uint32_t* texels, int count, uint32_t tintColour) {
  const __m256i tint16 =
      _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(tintColour | 0xFF000000u)), _mm256_setzero_si256());
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    BlendBlock<tint>(dst + i, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texels + i)), tint16);
  }
  const int rest = count - i;
  if (rest == 0) return;
  // Rows are short, so their last few pixels are a fair share of the work.
  BlendTail<tint>(dst + i, LoadTail(texels + i, rest), rest, tint16);
}

}  // namespace

void BlendSpanAvx2(uint32_t* dst, const uint32_t* texels, int count, uint32_t tint) {
  switch (tint & ColourMask) {
    case White:
      BlendAvx2<TTint::White>(dst, texels, count, tint);
      break;
    case 0:
      BlendAvx2<TTint::Black>(dst, texels, count, tint);
      break;
    default:
      BlendAvx2<TTint::Other>(dst, texels, count, tint);
      break;
  }
}

__attribute__((target("avx2"))) void GatherSpanAvx2(uint32_t* out, const uint32_t* row, const uint16_t* columns,
                                                    int count) {
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i index = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + i)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                        _mm256_i32gather_epi32(reinterpret_cast<const int*>(row), index, 4));
  }
  GatherSpanScalar(out + i, row + 0, columns + i, count - i);
}

// Gathers are slow on some processors that have them; the positions are
// worked out eight at a time and the texels read one by one.
__attribute__((target("avx2"))) void WalkSpanAvx2(uint32_t* out, const uint32_t* texels, int width, int height,
                                                  const TWalkSteps& steps, const TTexelWalk& start, int count) {
  if (!WalkFitsLanes(steps, start, count)) {
    WalkSpanScalar(out, texels, width, height, steps, start, count);
    return;
  }
  TLanes8 u(start.U, start.UPart, steps.LaneU, steps.LaneUPart, steps.UOver[1], steps.UPartOver[1],
            steps.UDenominator);
  TLanes8 v(start.V, start.VPart, steps.LaneV, steps.LaneVPart, steps.VOver[1], steps.VPartOver[1],
            steps.VDenominator);
  const __m256i zeroLanes = _mm256_setzero_si256();
  const __m256i lastColumn = _mm256_set1_epi32(width - 1);
  const __m256i lastRow = _mm256_set1_epi32(height - 1);
  const __m256i stride = _mm256_set1_epi32(width);
  alignas(32) int32_t indices[WalkLanes];
  for (int i = 0; i < count; i += WalkLanes) {
    const __m256i column = _mm256_min_epi32(_mm256_max_epi32(u.Whole, zeroLanes), lastColumn);
    const __m256i row = _mm256_min_epi32(_mm256_max_epi32(v.Whole, zeroLanes), lastRow);
    _mm256_store_si256(reinterpret_cast<__m256i*>(indices),
                       _mm256_add_epi32(_mm256_mullo_epi32(row, stride), column));
    const int lanes = std::min(WalkLanes, count - i);
    for (int k = 0; k < lanes; ++k) out[i + k] = texels[indices[k]];
    u.Advance();
    v.Advance();
  }
}

namespace {

// The eight texels the lanes are at, from the texture's tiles; each read
// takes four bytes from where the texel starts.
template <TCpuTiledTexels::TLayout layout, bool clamp>
VECTOR_HELPER __m256i Gather(const uint8_t* tiles, const TLanes8& u, const TLanes8& v, __m256i lastColumn,
                             __m256i lastRow, __m256i tileRow) {
  const __m256i index = avx2::TiledIndex<clamp>(u, v, lastColumn, lastRow, tileRow);
  const __m256i raw = avx2::LoadEight(tiles, layout == TCpuTiledTexels::Alpha       ? index
                                             : layout == TCpuTiledTexels::GreyAlpha ? _mm256_slli_epi32(index, 1)
                                                                                    : _mm256_slli_epi32(index, 2));
  // Alpha alone comes back in byte 0, as the one-colour blend takes it.
  if constexpr (layout == TCpuTiledTexels::Alpha) return raw;
  if constexpr (layout == TCpuTiledTexels::GreyAlpha) {
    // grey, alpha -> alpha, grey, grey, grey
    return _mm256_shuffle_epi8(raw, _mm256_setr_epi8(0, 0, 0, 1, 4, 4, 4, 5, 8, 8, 8, 9, 12, 12, 12, 13, 0, 0, 0, 1,
                                                     4, 4, 4, 5, 8, 8, 8, 9, 12, 12, 12, 13));
  }
  return raw;
}

// The walk and the blend in one: each group of eight texels is gathered
// into a register and blended from there.
template <TTint tint, TCpuTiledTexels::TLayout layout, bool clamp>
__attribute__((target("avx2"))) void WalkBlendAvx2(uint32_t* dst, const TCpuTiledTexels& texels,
                                                   const TWalkSteps& steps, const TTexelWalk& start, int count,
                                                   uint32_t tintColour) {
  TLanes8 u(start.U, start.UPart, steps.LaneU, steps.LaneUPart, steps.UOver[1], steps.UPartOver[1],
            steps.UDenominator);
  TLanes8 v(start.V, start.VPart, steps.LaneV, steps.LaneVPart, steps.VOver[1], steps.VPartOver[1],
            steps.VDenominator);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lastColumn = _mm256_set1_epi32(texels.Width - 1);
  const __m256i lastRow = _mm256_set1_epi32(texels.Height - 1);
  // Four rows of a tile row hold tiles across x 16 texels.
  const __m256i tileRow = _mm256_set1_epi32(texels.TilesAcross * TCpuTiledTexels::TileSide);
  const __m256i tint16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(tintColour | 0xFF000000u)), zero);
  // Texels kept as alpha alone share one colour, tinted here once for the
  // whole run instead of texel by texel.
  __m256i colour16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(texels.Colour)), zero);
  if constexpr (tint == TTint::Other) colour16 = Div255x16(_mm256_mullo_epi16(colour16, tint16));
  constexpr bool oneColour = layout == TCpuTiledTexels::Alpha;
  // What an opaque texel of that colour shows.
  const __m256i opaqueColour = _mm256_and_si256(_mm256_packus_epi16(colour16, colour16),
                                                _mm256_set1_epi32(tint == TTint::Black ? 0 : int(ColourMask)));
  const uint8_t* tiles = texels.Bytes();
  // Texel reads take far longer to deliver than to issue. The next group's
  // reads go out before this group is blended, so their wait overlaps the
  // blend instead of following it. Positions past the run are still clamped
  // onto the texture (or the caller made sure they stay on it), so reading
  // one group ahead never leaves it.
  __m256i texel = Gather<layout, clamp>(tiles, u, v, lastColumn, lastRow, tileRow);
  int i = 0;
  for (; i + WalkLanes <= count; i += WalkLanes) {
    u.Advance();
    v.Advance();
    const __m256i next = Gather<layout, clamp>(tiles, u, v, lastColumn, lastRow, tileRow);
    // Clear groups are skipped and opaque ones copied: with the reads
    // issued a group ahead, a branch on its texels no longer waits for them,
    // and inside a bubble long runs of groups take the same way.
    if constexpr (oneColour) {
      BlendOneColourBlock<tint>(dst + i, texel, colour16, opaqueColour);
    } else {
      BlendBlock<tint>(dst + i, texel, tint16);
    }
    texel = next;
  }
  const int rest = count - i;
  if (rest == 0) return;
  if constexpr (oneColour) {
    StoreTail(dst + i, Blended<tint, true>(texel, LoadTail(dst + i, rest), colour16), rest);
  } else {
    BlendTail<tint>(dst + i, texel, rest, tint16);
  }
}

// Positions that stay on the texture are read without clamping.
template <TTint tint, TCpuTiledTexels::TLayout layout>
__attribute__((target("avx2"))) void WalkBlendClamped(uint32_t* dst, const TCpuTiledTexels& texels,
                                                      const TWalkSteps& steps, const TTexelWalk& start, int count,
                                                      uint32_t tintColour) {
  if (avx2::StaysOn(steps, start, count, texels.Width, texels.Height)) {
    WalkBlendAvx2<tint, layout, false>(dst, texels, steps, start, count, tintColour);
  } else {
    WalkBlendAvx2<tint, layout, true>(dst, texels, steps, start, count, tintColour);
  }
}

template <TTint tint>
__attribute__((target("avx2"))) void WalkBlendLayout(uint32_t* dst, const TCpuTiledTexels& texels,
                                                     const TWalkSteps& steps, const TTexelWalk& start, int count,
                                                     uint32_t tintColour) {
  switch (texels.Layout) {
    case TCpuTiledTexels::Alpha:
      WalkBlendClamped<tint, TCpuTiledTexels::Alpha>(dst, texels, steps, start, count, tintColour);
      break;
    case TCpuTiledTexels::GreyAlpha:
      WalkBlendClamped<tint, TCpuTiledTexels::GreyAlpha>(dst, texels, steps, start, count, tintColour);
      break;
    default:
      WalkBlendClamped<tint, TCpuTiledTexels::Full>(dst, texels, steps, start, count, tintColour);
      break;
  }
}

}  // namespace

void WalkBlendSpanAvx2(uint32_t* dst, const TCpuTiledTexels& texels, const TWalkSteps& steps,
                       const TTexelWalk& start, int count, uint32_t tint) {
  if (!WalkFitsLanes(steps, start, count)) {
    WalkBlendSpanScalar(dst, texels, steps, start, count, tint);
    return;
  }
  switch (tint & ColourMask) {
    case White:
      WalkBlendLayout<TTint::White>(dst, texels, steps, start, count, tint);
      break;
    case 0:
      WalkBlendLayout<TTint::Black>(dst, texels, steps, start, count, tint);
      break;
    default:
      WalkBlendLayout<TTint::Other>(dst, texels, steps, start, count, tint);
      break;
  }
}
