#include "platform/Random.h"

#include <chrono>

namespace {
uint32_t Seed = 0;
}

void Randomize()
{
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
