#include <immintrin.h>

#include <algorithm>
#include <climits>

#include "render/backends/cpu/CpuTurnedBubble.h"

// Compiled for AVX2 function by function, like the other AVX2 kernels:
// TurnedBubbleFunction only hands this out when the processor has it.
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

template <bool high>
VECTOR_HELPER __m256i Unpack(__m256i v) {
  return high ? _mm256_unpackhi_epi8(v, _mm256_setzero_si256()) : _mm256_unpacklo_epi8(v, _mm256_setzero_si256());
}

// One layer of the rule on unpacked pixels: colour x alpha + under x
// (255 - alpha), rounded to 8 bits.
VECTOR_HELPER __m256i Over(__m256i colour, __m256i alpha, __m256i under) {
  const __m256i inverse = _mm256_xor_si256(alpha, _mm256_set1_epi16(255));
  return Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(colour, alpha), _mm256_mullo_epi16(under, inverse)));
}

// A colour tinted, in 16-bit lanes.
VECTOR_HELPER __m256i Tinted(__m256i colour16, __m256i tint16) {
  return Div255x16(_mm256_mullo_epi16(colour16, tint16));
}

VECTOR_HELPER __m256i Wide(uint32_t colour) {
  return _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(colour)), _mm256_setzero_si256());
}

// One coordinate of eight neighbouring pixels, its remainders kept less
// the denominator (as the other AVX2 walks keep them).
struct TLanes8 {
  __m256i Whole, Part, Step, StepPart, Denominator;

  AVX2_FUNCTION void Start(int64_t whole, int64_t part, const int32_t* laneWhole, const int32_t* lanePart,
                           int32_t step, int32_t stepPart, int64_t denominator) {
    Step = _mm256_set1_epi32(step);
    StepPart = _mm256_set1_epi32(stepPart);
    Denominator = _mm256_set1_epi32(static_cast<int32_t>(denominator));
    Whole = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(whole)),
                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(laneWhole)));
    Part = _mm256_set1_epi32(static_cast<int32_t>(part - denominator));
    Carry(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanePart)), _mm256_setzero_si256());
  }
  AVX2_FUNCTION void Advance() { Carry(StepPart, Step); }
  AVX2_FUNCTION void Carry(__m256i stepPart, __m256i step) {
    Part = _mm256_add_epi32(Part, stepPart);
    const __m256i carry = _mm256_cmpgt_epi32(Part, _mm256_set1_epi32(-1));
    Part = _mm256_sub_epi32(Part, _mm256_and_si256(carry, Denominator));
    Whole = _mm256_sub_epi32(_mm256_add_epi32(Whole, step), carry);
  }
};

// One triangle's run, walked a group of eight pixels at a time from the
// group its first pixel falls in.
struct TRunLanes {
  TLanes8 U, V;
  int First = 0, Last = -1;
  // Pixels after Before and before End belong to the run.
  __m256i Before, End;
  // Whether every position the run's groups reach lies on the texture,
  // so that none needs clamping.
  bool Inside;
};

// A layer's runs and where its texture lies.
struct TLayerLanes {
  // Only the first Count are set.
  TRunLanes Runs[2];
  int Count = 0;
  int First = INT_MAX, Last = -1;
  const void* Base = nullptr;
  __m256i LastColumn, LastRow, TileRow;

  // False when a run's positions would leave 32-bit lanes.
  AVX2_FUNCTION bool Set(const TTurnedLayerRow& row, int left, const void* base, int width, int height,
                         int tilesAcross) {
    Base = base;
    LastColumn = _mm256_set1_epi32(width - 1);
    LastRow = _mm256_set1_epi32(height - 1);
    TileRow = _mm256_set1_epi32(tilesAcross * TCpuTiledTexels::TileSide);
    for (int k = 0; k < row.Count; ++k) {
      const TTurnedRun& run = row.Runs[k];
      const TWalkSteps& s = *run.Steps;
      const int behind = (run.Begin - left) % Lanes;
      const TTexelWalk start = behind ? WalkBack(s, run.Start, behind) : run.Start;
      if (!WalkFitsLanes(s, start, run.End - run.Begin + behind)) return false;
      TRunLanes& lanes = Runs[Count++];
      lanes.U.Start(start.U, start.UPart, s.LaneU, s.LaneUPart, s.UOver[1], s.UPartOver[1], s.UDenominator);
      lanes.V.Start(start.V, start.VPart, s.LaneV, s.LaneVPart, s.VOver[1], s.VPartOver[1], s.VDenominator);
      lanes.First = (run.Begin - left) / Lanes;
      lanes.Last = (run.End - 1 - left) / Lanes;
      lanes.Before = _mm256_set1_epi32(run.Begin - 1);
      lanes.End = _mm256_set1_epi32(run.End);
      // A floored linear walk moves one way in each coordinate, so its
      // first and last positions bound all between.
      const int64_t steps = (run.End - 1 - left) / Lanes * Lanes + Lanes - 1 - (run.Begin - behind - left);
      const auto within = [steps](int64_t from, int64_t step, int64_t size) {
        const int64_t low = std::min(from, from + steps * step);
        const int64_t high = std::max(from, from + steps * (step + 1));
        return low >= 0 && high < size;
      };
      lanes.Inside = within(start.U, s.UStep, width) && within(start.V, s.VStep, height);
      First = std::min(First, lanes.First);
      Last = std::max(Last, lanes.Last);
    }
    return true;
  }
  bool In(int group) const { return group >= First && group <= Last; }
};

// The texels of the layer's runs for the group of pixels `xs`, 0 where no
// run covers a pixel; the runs covering the group step on.
template <int scale>
VECTOR_HELPER __m256i LayerTexels(TLayerLanes& layer, int group, __m256i xs) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i within = _mm256_set1_epi32(TCpuTiledTexels::TileSide - 1);
  __m256i texels = zero;
  for (int k = 0; k < layer.Count; ++k) {
    TRunLanes& run = layer.Runs[k];
    if (group < run.First || group > run.Last) continue;
    __m256i column = run.U.Whole, row = run.V.Whole;
    if (!run.Inside) {
      column = _mm256_min_epi32(_mm256_max_epi32(column, zero), layer.LastColumn);
      row = _mm256_min_epi32(_mm256_max_epi32(row, zero), layer.LastRow);
    }
    // (row & ~3) x tiles across x 4 + (row & 3) x 4 + (column & ~3) x 4 + (column & 3)
    const __m256i rowPart = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_andnot_si256(within, row), layer.TileRow),
                                             _mm256_slli_epi32(_mm256_and_si256(row, within), 2));
    const __m256i columnPart = _mm256_add_epi32(_mm256_slli_epi32(_mm256_andnot_si256(within, column), 2),
                                                _mm256_and_si256(column, within));
    const __m256i read = _mm256_i32gather_epi32(static_cast<const int*>(layer.Base),
                                                _mm256_add_epi32(rowPart, columnPart), scale);
    const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi32(xs, run.Before), _mm256_cmpgt_epi32(run.End, xs));
    texels = _mm256_or_si256(texels, _mm256_and_si256(read, inside));
    run.U.Advance();
    run.V.Advance();
  }
  return texels;
}

// Whether any of the eight texels has byte `at` (its alpha) set.
template <int at>
VECTOR_HELPER bool Shows(__m256i texels) {
  return !_mm256_testz_si256(texels, _mm256_set1_epi32(0xFF << (8 * at)));
}

// A layer whose texels have one colour (`colour16`, tinted), alpha in byte
// `at`.
template <int at>
VECTOR_HELPER void LayOneColour(__m256i texels, __m256i colour16, __m256i& low, __m256i& high) {
  low = Over(colour16, Spread<false, at>(texels), low);
  high = Over(colour16, Spread<true, at>(texels), high);
}

// A layer of grey texels, grey in byte `at`, alpha in the next.
template <int at>
VECTOR_HELPER void LayGrey(__m256i texels, __m256i tint16, __m256i& low, __m256i& high) {
  low = Over(Tinted(Spread<false, at>(texels), tint16), Spread<false, at + 1>(texels), low);
  high = Over(Tinted(Spread<true, at>(texels), tint16), Spread<true, at + 1>(texels), high);
}

VECTOR_HELPER void LayFull(__m256i texels, __m256i tint16, __m256i& low, __m256i& high) {
  low = Over(Tinted(Unpack<false>(texels), tint16), Spread<false, 3>(texels), low);
  high = Over(Tinted(Unpack<true>(texels), tint16), Spread<true, 3>(texels), high);
}

struct TPictureLook {
  TCpuTiledTexels::TLayout Layout = TCpuTiledTexels::Full;
  __m256i Colour16{}, Tint16{};
};

VECTOR_HELPER __m256i PictureTexels(TLayerLanes& layer, const TPictureLook& look, int group, __m256i xs) {
  switch (look.Layout) {
    case TCpuTiledTexels::Alpha:
      return LayerTexels<1>(layer, group, xs);
    case TCpuTiledTexels::GreyAlpha:
      return LayerTexels<2>(layer, group, xs);
    default:
      return LayerTexels<4>(layer, group, xs);
  }
}

// Lays the picture's texels on; true when they showed.
VECTOR_HELPER bool LayPicture(__m256i texels, const TPictureLook& look, __m256i& low, __m256i& high) {
  switch (look.Layout) {
    case TCpuTiledTexels::Alpha:
      if (!Shows<0>(texels)) return false;
      LayOneColour<0>(texels, look.Colour16, low, high);
      return true;
    case TCpuTiledTexels::GreyAlpha:
      if (!Shows<1>(texels)) return false;
      LayGrey<0>(texels, look.Tint16, low, high);
      return true;
    default:
      if (!Shows<3>(texels)) return false;
      LayFull(texels, look.Tint16, low, high);
      return true;
  }
}

// The texels every layer shows on one group of pixels, 0 where it shows none.
struct TGroupTexels {
  __m256i Shadow, Pair, Picture;
};

VECTOR_HELPER __m256i Iota() { return _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7); }

VECTOR_HELPER TGroupTexels Fetch(TLayerLanes& shadow, TLayerLanes& body, TLayerLanes& picture,
                                 const TPictureLook& look, int group, int x) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i xs = _mm256_add_epi32(_mm256_set1_epi32(x), Iota());
  TGroupTexels texels{zero, zero, zero};
  if (shadow.In(group)) texels.Shadow = LayerTexels<1>(shadow, group, xs);
  if (body.In(group)) texels.Pair = LayerTexels<4>(body, group, xs);
  if (picture.In(group)) texels.Picture = PictureTexels(picture, look, group, xs);
  return texels;
}

// The body and the front are grey (`bodyGrey`, `frontGrey`) or of one
// colour each. False when a walk does not fit the lanes.
template <bool bodyGrey, bool frontGrey>
AVX2_FUNCTION bool Lay(uint32_t* row, const TTurnedBubbleLayers& layers, const TTurnedBubbleRow& runs) {
  int left = INT_MAX, right = INT_MIN;
  for (const TTurnedLayerRow* layer : {&runs.Shadow, &runs.Pair, &runs.Picture}) {
    for (int k = 0; k < layer->Count; ++k) {
      left = std::min(left, layer->Runs[k].Begin);
      right = std::max(right, layer->Runs[k].End);
    }
  }
  if (left >= right) return true;
  const TCpuTiledPair& pair = *layers.Pair;
  TLayerLanes shadow, body, picture;
  if (layers.Shadow && !shadow.Set(runs.Shadow, left, layers.Shadow->Bytes(), layers.Shadow->Width,
                                   layers.Shadow->Height, layers.Shadow->TilesAcross)) {
    return false;
  }
  if (!body.Set(runs.Pair, left, pair.Words(), pair.Width, pair.Height, pair.TilesAcross)) return false;
  TPictureLook look;
  if (layers.Picture) {
    if (!picture.Set(runs.Picture, left, layers.Picture->Bytes(), layers.Picture->Width, layers.Picture->Height,
                     layers.Picture->TilesAcross)) {
      return false;
    }
    look.Layout = layers.Picture->Layout;
    look.Tint16 = Wide(layers.PictureTint | 0xFF000000u);
    look.Colour16 = Tinted(Wide(layers.Picture->Colour), look.Tint16);
  }
  const __m256i shadowColour =
      layers.Shadow ? Tinted(Wide(layers.Shadow->Colour), Wide(layers.ShadowTint | 0xFF000000u)) : __m256i{};
  const __m256i bodyTint = Wide(layers.BodyTint | 0xFF000000u);
  const __m256i frontTint = Wide(layers.FrontTint | 0xFF000000u);
  const __m256i bodyColour = Tinted(Wide(pair.FirstColour), bodyTint);
  const __m256i frontColour = Tinted(Wide(pair.SecondColour), frontTint);
  const __m256i mask = _mm256_set1_epi32(static_cast<int>(ColourMask));
  const __m256i zero = _mm256_setzero_si256();
  // A gather takes far longer to deliver than to issue: each group's
  // gathers go out before the group ahead of it is blended.
  TGroupTexels texels = Fetch(shadow, body, picture, look, 0, left);
  int group = 0;
  for (int x = left; x < right; x += Lanes, ++group) {
    const TGroupTexels next = x + Lanes < right ? Fetch(shadow, body, picture, look, group + 1, x + Lanes) : TGroupTexels{zero, zero, zero};
    const int count = std::min(Lanes, right - x);
    const __m256i inside = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), Iota());
    const __m256i under = count == Lanes ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x))
                                         : _mm256_maskload_epi32(reinterpret_cast<const int*>(row + x), inside);
    __m256i low = Unpack<false>(under), high = Unpack<true>(under);
    bool changed = false;
    if (Shows<0>(texels.Shadow)) {
      LayOneColour<0>(texels.Shadow, shadowColour, low, high);
      changed = true;
    }
    if (Shows<1>(texels.Pair)) {
      if constexpr (bodyGrey) {
        LayGrey<0>(texels.Pair, bodyTint, low, high);
      } else {
        LayOneColour<1>(texels.Pair, bodyColour, low, high);
      }
      changed = true;
    }
    if (layers.Picture && LayPicture(texels.Picture, look, low, high)) changed = true;
    if (Shows<3>(texels.Pair)) {
      if constexpr (frontGrey) {
        LayGrey<2>(texels.Pair, frontTint, low, high);
      } else {
        LayOneColour<3>(texels.Pair, frontColour, low, high);
      }
      changed = true;
    }
    texels = next;
    if (!changed) continue;
    const __m256i out = _mm256_and_si256(_mm256_packus_epi16(low, high), mask);
    if (count == Lanes) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), out);
    } else {
      alignas(32) uint32_t pixels[Lanes];
      _mm256_store_si256(reinterpret_cast<__m256i*>(pixels), out);
      std::copy_n(pixels, count, row + x);
    }
  }
  return true;
}

}  // namespace

void TurnedBubbleAvx2(uint32_t* row, const TTurnedBubbleLayers& layers, const TTurnedBubbleRow& runs) {
  const TCpuTiledPair& pair = *layers.Pair;
  bool laid;
  if (pair.FirstGrey) {
    laid = pair.SecondGrey ? Lay<true, true>(row, layers, runs) : Lay<true, false>(row, layers, runs);
  } else {
    laid = pair.SecondGrey ? Lay<false, true>(row, layers, runs) : Lay<false, false>(row, layers, runs);
  }
  if (!laid) TurnedBubbleScalar(row, layers, runs);
}
