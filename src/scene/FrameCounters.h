#pragma once
#include <cstdint>

// The frame timer's counters and the frame rate measured from them. Process-wide:
// they run from the first frame tick to the end of the process.
//
// The tick count is 32 bits and wraps every 49.7 days; the counters add up the
// differences between consecutive ticks in 64 bits instead, so the average
// stays right over any uptime as long as ticks come less than 49.7 days apart.

constexpr int32_t NominalFrameRate = 25;   // velocities are pixels per step at this rate

extern uint32_t FirstTick;   // tick count at the first frame tick
extern uint32_t LastTick;    // tick count at the latest frame tick
extern int64_t ElapsedMs;    // from the first frame tick to the latest one
extern int64_t FrameCount;   // frame ticks so far, the current one included; 0 = no tick yet
extern int32_t FrameRate;    // average frames per second since the first tick

// Advances the counters for a frame tick taken at tick count now.
void CountFrameTick(uint32_t now);

// FrameRate := round(FrameCount / ElapsedMs * 1000), halves to even; kept while
// ElapsedMs is 0 (the first tick).
void UpdateFrameRate();

// The physics step's time factor 25 / FrameRate. A rate below 1 (an average under
// half a frame a second) is taken as 1, so a step is never infinite or
// backwards: at most 25 nominal steps.
double FrameTimeFactor();

// Back to the start of the process: no tick yet, rate 25.
void ResetFrameCounters();
