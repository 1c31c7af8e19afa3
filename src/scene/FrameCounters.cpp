#include "scene/FrameCounters.h"

#include <algorithm>

#include "scene/Rounding.h"

namespace {
constexpr double MillisecondsPerSecond = 1000.0;
constexpr int32_t SlowestCountedRate = 1;
}

uint32_t FirstTick = 0;
int32_t ElapsedMs = 0;
int32_t FrameCount = 0;
int32_t FrameRate = NominalFrameRate;

void CountFrameTick(uint32_t now)
{
    if (FirstTick == 0)
        FirstTick = now;
    ElapsedMs = static_cast<int32_t>(now - FirstTick);
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
    ElapsedMs = 0;
    FrameCount = 0;
    FrameRate = NominalFrameRate;
}
