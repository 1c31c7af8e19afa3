#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "scene/FrameGeometry.h"
#include "scene/WindingRegion.h"

class TWindowTimer;

// Random gusts of wind: a gust picks a narrow band from the top edge of the screen
// to the bottom edge and, every 50 ms for up to two seconds, pulls the velocity of
// each bubble inside that band a twentieth of the way towards its own velocity.
// Runs on two window timers of its own; touches only the bubbles' velocities.
class TWind {
public:
    TWind();
    // Switches both timers off before anything is freed, so no handler of a
    // released wind can run.
    ~TWind();
    TWind(const TWind&) = delete;
    TWind& operator=(const TWind&) = delete;

    // Switches both timers off; no gust starts and nothing blows any more.
    void Stop();

    // Timer handlers and the blowing step; public so that they can be driven
    // directly, the timers are their only callers in the running saver.
    void StartGust();
    void GustTick();
    void Blow();

    std::array<TCornerPoint, 4> Corners{};
    std::unique_ptr<TWindowTimer> StartTimer;
    std::unique_ptr<TWindowTimer> TickTimer;
    uint32_t GustStart = 0;
    int32_t GustLength = 0;
    std::optional<TWindingRegion> Region;
    double GustSpeedX = 0.0;
    double GustSpeedY = 0.0;
    int32_t Strength = 0;

private:
    void ArmStartTimer();
};
