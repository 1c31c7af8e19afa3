#include "platform/Random.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {
uint32_t Seed = 0;

// A run can be replayed: TESSALY_RANDOM_SEED (a decimal number) stands in for
// the clock. Tests that judge the bubbles' paths set it.
bool SeedFromEnvironment(uint32_t& seed)
{
    const char* text = std::getenv("TESSALY_RANDOM_SEED");
    if (!text || !*text)
        return false;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, seed);
    return error == std::errc() && stop == end;
}
}

void Randomize()
{
    if (uint32_t seed; SeedFromEnvironment(seed)) {
        RandSeed(seed);
        return;
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    RandSeed(static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
}

void RandSeed(uint32_t seed) { Seed = seed; }

uint32_t CurrentRandSeed() { return Seed; }

int32_t Random(int32_t n)
{
    Seed = Seed * 134775813u + 1u;
    if (n <= 0)
        return 0;
    return static_cast<int32_t>((static_cast<uint64_t>(Seed) * static_cast<uint32_t>(n)) >> 32);
}
