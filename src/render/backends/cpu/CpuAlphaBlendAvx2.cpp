#include <immintrin.h>

#include <cstring>

#include "render/backends/cpu/CpuBlendAvx2.h"
#include "render/backends/cpu/CpuSpanAvx2Parts.h"
#include "render/backends/cpu/CpuTurnedBubble.h"

// Compiled for AVX2 function by function, like the other AVX2 kernels:
// AlphaBlendSpanFunction only hands this out when the processor has it.
#define VECTOR_HELPER __attribute__((target("avx2"), always_inline)) inline
#define AVX2_FUNCTION __attribute__((target("avx2")))

namespace {

// Eight pixels of `under` under eight alphas (bytes) of one colour, each
// byte less 128 (`flipped`), by the rule; the top byte comes out 0.
VECTOR_HELPER __m256i Blended(__m128i alphas, __m256i under, __m256i flipped, __m256i spread, __m256i colourMask,
                              const avx2::TBlendConstants& k) {
  const __m256i alpha = _mm256_shuffle_epi8(_mm256_cvtepu8_epi32(alphas), spread);
  return _mm256_and_si256(avx2::BlendBytes(flipped, alpha, under, k), colourMask);
}

}  // namespace

AVX2_FUNCTION void AlphaBlendSpanAvx2(uint32_t* dst, const uint8_t* alphas, int count, uint32_t colour,
                                      uint32_t tint) {
  const avx2::TBlendConstants k = avx2::MakeBlendConstants();
  const __m256i tint16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(tint | 0xFF000000u)), k.Zero);
  // The colour tinted once for the whole run.
  const __m256i flipped =
      _mm256_xor_si256(avx2::TintedBytes(_mm256_set1_epi32(static_cast<int>(colour & 0x00FFFFFFu)), tint16, k), k.Flip);
  const __m256i spread = avx2::SpreadPattern(0);
  const __m256i colourMask = _mm256_set1_epi32(0x00FFFFFF);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    uint64_t eight;
    std::memcpy(&eight, alphas + i, sizeof eight);
    // Where the shadow is clear the pixels stay as they are.
    if (eight == 0) continue;
    __m256i* out = reinterpret_cast<__m256i*>(dst + i);
    _mm256_storeu_si256(out, Blended(_mm_cvtsi64_si128(static_cast<long long>(eight)), _mm256_loadu_si256(out),
                                     flipped, spread, colourMask, k));
  }
  const int rest = count - i;
  if (rest == 0) return;
  const uint64_t last = avx2::LoadBytes(alphas + i, rest);
  avx2::StoreTail(dst + i,
                  Blended(_mm_cvtsi64_si128(static_cast<long long>(last)), avx2::LoadTail(dst + i, rest), flipped,
                          spread, colourMask, k),
                  rest);
}
