#pragma once
// Pieces the AVX2 kernels share. Include only from files compiled function
// by function for AVX2: every helper here carries the target itself and is
// always inlined (a function returning a 256-bit vector out of line is an
// ABI warning where the file is not built for AVX as a whole).
#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "render/backends/cpu/CpuSpan.h"

#define AVX2_PART __attribute__((target("avx2"), always_inline)) inline

namespace avx2 {

// One coordinate of eight neighbouring pixels of a walk, from the first
// pixel's and the lanes' offsets. Remainders are kept less the denominator,
// in [-denominator, 0), so that a carry is a remainder no longer negative.
struct TLanes8 {
  // The step plus the carry's one: a carry is a sign bit that is not set.
  __m256i Whole, Part, StepAndOne, StepPart, Denominator;

  AVX2_PART TLanes8(int64_t whole, int64_t part, const int32_t* laneWhole, const int32_t* lanePart, int32_t step,
                    int32_t stepPart, int64_t denominator)
      : StepAndOne(_mm256_set1_epi32(step + 1)),
        StepPart(_mm256_set1_epi32(stepPart)),
        Denominator(_mm256_set1_epi32(static_cast<int32_t>(denominator))) {
    Whole = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(whole)),
                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(laneWhole)));
    Part = _mm256_set1_epi32(static_cast<int32_t>(part - denominator));
    Carry(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanePart)), _mm256_set1_epi32(1));
  }
  AVX2_PART void Advance() { Carry(StepPart, StepAndOne); }
  AVX2_PART void Carry(__m256i stepPart, __m256i stepAndOne) {
    Part = _mm256_add_epi32(Part, stepPart);
    // All ones where the remainder is still negative: no carry there.
    const __m256i kept = _mm256_srai_epi32(Part, 31);
    Part = _mm256_sub_epi32(Part, _mm256_andnot_si256(kept, Denominator));
    Whole = _mm256_add_epi32(_mm256_add_epi32(Whole, stepAndOne), kept);
  }
};

// Where in a tiled texture (TCpuTiledTexels) the texels at the lanes'
// positions start, in texels: tile (row / 4, column / 4), then row % 4 and
// column % 4 within. `clamp`: positions may leave the texture and are
// brought back onto its edge.
template <bool clamp>
AVX2_PART __m256i TiledIndex(const TLanes8& u, const TLanes8& v, __m256i lastColumn, __m256i lastRow,
                             __m256i tileRow) {
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
  return _mm256_add_epi32(rowPart, columnPart);
}


// Four bytes from each of eight byte offsets, read one by one: eight loads
// and inserts deliver sooner than a gather instruction on AMD processors,
// and on Intel ones since the microcode that closed the gather data leak.
AVX2_PART __m256i LoadEight(const uint8_t* bytes, __m256i offsets) {
  const __m128i low = _mm256_castsi256_si128(offsets), high = _mm256_extracti128_si256(offsets, 1);
  const uint64_t a = static_cast<uint64_t>(_mm_cvtsi128_si64(low)), b = static_cast<uint64_t>(_mm_extract_epi64(low, 1));
  const uint64_t c = static_cast<uint64_t>(_mm_cvtsi128_si64(high)), d = static_cast<uint64_t>(_mm_extract_epi64(high, 1));
  const auto at = [bytes](uint64_t offset) {
    int word;
    std::memcpy(&word, bytes + static_cast<uint32_t>(offset), sizeof word);
    return word;
  };
  __m128i x = _mm_cvtsi32_si128(at(a));
  x = _mm_insert_epi32(x, at(a >> 32), 1);
  x = _mm_insert_epi32(x, at(b), 2);
  x = _mm_insert_epi32(x, at(b >> 32), 3);
  __m128i y = _mm_cvtsi32_si128(at(c));
  y = _mm_insert_epi32(y, at(c >> 32), 1);
  y = _mm_insert_epi32(y, at(d), 2);
  y = _mm_insert_epi32(y, at(d >> 32), 3);
  return _mm256_inserti128_si256(_mm256_castsi128_si256(x), y, 1);
}

// The first `count` (0..7) of eight bytes, read or written in pieces of
// four, two and one: a copy of a length not known in advance becomes a
// library call, once per run.
inline uint64_t LoadBytes(const uint8_t* from, int count) {
  uint64_t bytes = 0;
  int at = 0;
  for (int piece = 4; piece > 0; piece /= 2) {
    if (!(count & piece)) continue;
    uint32_t word = 0;
    std::memcpy(&word, from + at, static_cast<size_t>(piece));
    bytes |= uint64_t(word) << (8 * at);
    at += piece;
  }
  return bytes;
}
inline void StoreBytes(uint8_t* to, uint64_t bytes, int count) {
  for (int piece = 4; piece > 0; piece /= 2) {
    if (!(count & piece)) continue;
    std::memcpy(to, &bytes, static_cast<size_t>(piece));
    to += piece;
    bytes >>= 8 * piece;
  }
}

// All lanes below `rest` set.
AVX2_PART __m256i Inside(int rest) {
  return _mm256_cmpgt_epi32(_mm256_set1_epi32(rest), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// The first `rest` (1..7) of eight pixels, read through a lane mask: not
// gathered into memory first, as a vector read of bytes just written one by
// one waits for those writes to land.
AVX2_PART __m256i LoadTail(const uint32_t* from, int rest) {
  return _mm256_maskload_epi32(reinterpret_cast<const int*>(from), Inside(rest));
}

// The first `rest` (1..7) of eight pixels written in pieces of four, two
// and one: a masked vector write is slow on some processors, and a copy
// loop becomes a library call.
AVX2_PART void StoreTail(uint32_t* to, __m256i pixels, int rest) {
  __m128i part = _mm256_castsi256_si128(pixels);
  if (rest & 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), part);
    part = _mm256_extracti128_si256(pixels, 1);
    to += 4;
  }
  if (rest & 2) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to), part);
    part = _mm_srli_si128(part, 8);
    to += 2;
  }
  if (rest & 1) *to = static_cast<uint32_t>(_mm_cvtsi128_si32(part));
}

// Whether every position of `count` pixels of a walk, and of the group of
// eight read ahead, lies on a texture of width x height, so that the
// positions need no clamping: a floored linear walk moves one way in each
// coordinate, so its first and last positions bound all between.
inline bool StaysOn(const TWalkSteps& steps, const TTexelWalk& start, int count, int width, int height) {
  const int64_t reach = (int64_t(count) + 7) / 8 * 8 + 7;
  const auto within = [reach](int64_t from, int64_t step, int64_t size) {
    const int64_t low = std::min(from, from + reach * step);
    const int64_t high = std::max(from, from + reach * (step + 1));
    return low >= 0 && high < size;
  };
  return within(start.U, steps.UStep, width) && within(start.V, steps.VStep, height);
}

}  // namespace avx2
