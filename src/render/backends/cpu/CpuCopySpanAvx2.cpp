#include <immintrin.h>

#include <cstdint>

#include "render/backends/cpu/CpuSpan.h"
#include "render/backends/cpu/CpuSpanAvx2Parts.h"

// Eight pixels a load and a store: the background restored under last
// frame's bubbles runs to a few hundred thousand pixels a frame, and four at
// a time take twice the instructions for them.
__attribute__((target("avx2"))) void CopySpanMaskedAvx2(uint32_t* dst, const uint32_t* src, int count) {
  const __m256i mask = _mm256_set1_epi32(0x00FFFFFF);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_and_si256(pixels, mask));
  }
  if (i < count) avx2::StoreTail(dst + i, _mm256_and_si256(avx2::LoadTail(src + i, count - i), mask), count - i);
}
