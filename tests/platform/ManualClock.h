#pragma once
#include <cstdint>

#include "platform/TickCount.h"

// Puts a clock that only moves when told in place of the system clock for
// the lifetime of the object.
class TManualClock {
public:
    explicit TManualClock(uint64_t start = 1000) : Now(start)
    {
        SetClockSource([this] { return Now; });
    }
    ~TManualClock() { SetClockSource({}); }
    TManualClock(const TManualClock&) = delete;
    TManualClock& operator=(const TManualClock&) = delete;

    void Advance(uint64_t ms) { Now += ms; }

    uint64_t Now;
};
