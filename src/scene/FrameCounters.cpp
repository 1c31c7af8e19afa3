#include "scene/FrameCounters.h"

#include <algorithm>

#include "scene/Rounding.h"

namespace {
constexpr double MillisecondsPerSecond = 1000.0;
constexpr int32_t SlowestCountedRate = 1;
}

uint32_t FirstTick = 0;
uint32_t LastTick = 0;
int64_t ElapsedMs = 0;
int64_t FrameCount = 0;
int32_t FrameRate = NominalFrameRate;

void CountFrameTick(uint32_t now)
{
    if (FrameCount == 0) {
        FirstTick = now;
        LastTick = now;
    }
    // Unsigned difference: right across the tick count's wrap-around.
    ElapsedMs += static_cast<uint32_t>(now - LastTick);
    LastTick = now;
    ++FrameCount;
}

void UpdateFrameRate()
{
    if (ElapsedMs == 0)
        return;
    FrameRate = RoundHalfEven(static_cast<double>(FrameCount) / static_cast<double>(ElapsedMs) *
                              MillisecondsPerSecond);
}

double FrameTimeFactor()
{
    return static_cast<double>(NominalFrameRate) / static_cast<double>(std::max(FrameRate, SlowestCountedRate));
}

void ResetFrameCounters()
{
    FirstTick = 0;
    LastTick = 0;
    ElapsedMs = 0;
    FrameCount = 0;
    FrameRate = NominalFrameRate;
}
