#pragma once
// The pixel rule on eight pixels at a time, as the AVX2 kernels that lay
// layers of one bubble on share it. Include only from files compiled
// function by function for AVX2 (see CpuSpanAvx2Parts.h).
#include <immintrin.h>

#include <cstdint>

#define AVX2_BLEND __attribute__((target("avx2"), always_inline)) inline

namespace avx2 {

// The constants of the blend, made once per run and kept in registers: the
// compiler would otherwise build some afresh for every group.
struct TBlendConstants {
  __m256i Zero, Round, Scale, Flip, Ones, Offset;
};

AVX2_BLEND TBlendConstants MakeBlendConstants() {
  TBlendConstants k;
  k.Zero = _mm256_setzero_si256();
  k.Round = _mm256_set1_epi16(128);
  k.Scale = _mm256_set1_epi16(257);
  k.Flip = _mm256_set1_epi8(static_cast<char>(0x80));
  k.Ones = _mm256_set1_epi8(static_cast<char>(0xFF));
  k.Offset = _mm256_set1_epi16(-32768);
  __asm__("" : "+x"(k.Zero), "+x"(k.Ones), "+x"(k.Offset));
  return k;
}

// Each pixel's byte `at` in its three colour bytes, 0 in its top byte: a
// shuffle pattern.
AVX2_BLEND __m256i SpreadPattern(char at) {
  constexpr char z = -128;
  const char a = at, b = static_cast<char>(4 + at), c = static_cast<char>(8 + at), d = static_cast<char>(12 + at);
  return _mm256_setr_epi8(a, a, a, z, b, b, b, z, c, c, c, z, d, d, d, z, a, a, a, z, b, b, b, z, c, c, c, z, d, d, d,
                          z);
}

// Rounded x / 255 of 16-bit lanes holding x + 128 (0..65025 + 128): the
// high half of (x + 128) x 257, as Div255.
AVX2_BLEND __m256i Div255Rounded(__m256i rounded, const TBlendConstants& k) {
  return _mm256_mulhi_epu16(rounded, k.Scale);
}

// Eight pixels of bytes times a colour in 16-bit lanes (0x00RR00GG00BB..),
// / 255 per channel, still as bytes.
AVX2_BLEND __m256i TintedBytes(__m256i bytes, __m256i tint16, const TBlendConstants& k) {
  const __m256i low = _mm256_mullo_epi16(_mm256_unpacklo_epi8(bytes, k.Zero), tint16);
  const __m256i high = _mm256_mullo_epi16(_mm256_unpackhi_epi8(bytes, k.Zero), tint16);
  return _mm256_packus_epi16(Div255Rounded(_mm256_add_epi16(low, k.Round), k),
                             Div255Rounded(_mm256_add_epi16(high, k.Round), k));
}

// Eight pixels of `under` under a layer of `alpha` (each pixel's alpha in
// its three colour bytes, 0 in its top byte) and colour (each byte less
// 128, `flipped`), by the rule. Each channel's colour x alpha + under x
// (255 - alpha) comes from one multiply-add of byte pairs: the weights
// (alpha, 255 - alpha) as unsigned bytes, the values less 128 as signed
// ones, so the sum lies within -32640..32385 and never saturates; adding
// 32768 (128 x 255 taken off, plus the 128 that rounds) wraps it to the
// exact x + 128 the division wants. The top byte's weights are 0 and 255,
// so it keeps what is under it: the 0 every back-surface pixel has there.
AVX2_BLEND __m256i BlendBytes(__m256i flipped, __m256i alpha, __m256i under, const TBlendConstants& k) {
  const __m256i inverse = _mm256_xor_si256(alpha, k.Ones);
  const __m256i below = _mm256_xor_si256(under, k.Flip);
  const __m256i low = _mm256_add_epi16(
      _mm256_maddubs_epi16(_mm256_unpacklo_epi8(alpha, inverse), _mm256_unpacklo_epi8(flipped, below)), k.Offset);
  const __m256i high = _mm256_add_epi16(
      _mm256_maddubs_epi16(_mm256_unpackhi_epi8(alpha, inverse), _mm256_unpackhi_epi8(flipped, below)), k.Offset);
  return _mm256_packus_epi16(Div255Rounded(low, k), Div255Rounded(high, k));
}

}  // namespace avx2
