#include "platform/TickCount.h"

#include <chrono>
#include <utility>

namespace {
std::function<uint64_t()> ClockSource;
}

uint64_t MonotonicMs()
{
    if (ClockSource)
        return ClockSource();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

uint32_t GetTickCount() { return static_cast<uint32_t>(MonotonicMs()); }

void SetClockSource(std::function<uint64_t()> source) { ClockSource = std::move(source); }
