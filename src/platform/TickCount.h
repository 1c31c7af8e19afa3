#pragma once
#include <cstdint>
#include <functional>

// The millisecond clock behind window timers and the tick count. Unit tests
// put a clock of their own in its place so that timer rules run without
// sleeping; the running program keeps the monotonic system clock.

// Milliseconds on a clock that never goes back (the system's monotonic clock
// unless replaced).
uint64_t MonotonicMs();

// The tick count: MonotonicMs() cut to 32 bits, so it wraps around after
// about 49.7 days. Differences taken as uint32_t (or cast to int32_t) stay
// right across the wrap.
uint32_t GetTickCount();

// Replaces the clock; an empty function puts the system clock back.
// Set it before any other thread reads the clock.
void SetClockSource(std::function<uint64_t()> source);
