#pragma once
#include <cstdint>

// The process-wide pseudo-random generator behind Random(n): linear
// congruential, seed := seed * 134775813 + 1 (mod 2^32), and the result is the
// high 32 bits of seed * n. Used from the user-interface thread only.

// Reseeds the generator from the clock, or from TESSALY_RANDOM_SEED when the
// environment names a seed.
void Randomize();
void RandSeed(uint32_t seed);
uint32_t CurrentRandSeed();
// A uniform integer in 0..n-1; 0 when n <= 0.
int32_t Random(int32_t n);
