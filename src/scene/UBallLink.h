#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "render/D3DTypes.h"   // TRect

// The bubble table and its physics. Positions are full-screen pixels, also in
// the preview; velocities are pixels per step at 25 steps per second.

constexpr int32_t MaxBalls = 100;

struct TBallRec {
    double X = 0.0;
    double Y = 0.0;
    double SpeedX = 0.0;
    double SpeedY = 0.0;
    int32_t Red = 0;          // tint, kept in 0..255
    int32_t Green = 0;
    int32_t Blue = 0;
    int32_t RedStep = 0;      // tint change per step; flips sign at the ends of the range
    int32_t GreenStep = 0;
    int32_t BlueStep = 0;
    uint8_t CanCollide = 0;   // 1 once the bubble had a step without being blocked
    int32_t Number = 0;       // own 1-based place, handed to the chime
    double Angle = 0.0;       // spin in turns, never wrapped
};

// Places 1..MaxBalls; only 1..BallsCount are in use.
class TBallTable {
public:
    TBallRec& operator[](int32_t place) { return Places[static_cast<size_t>(place - 1)]; }
    const TBallRec& operator[](int32_t place) const { return Places[static_cast<size_t>(place - 1)]; }

private:
    std::array<TBallRec, MaxBalls> Places{};
};

extern TBallTable Balls;
// Places 1..BallsInUse() are in use: the settings' count, bounded by the
// table's capacity. Every loop over the table goes no further.
int32_t BallsInUse();
// Bubble radius in screen pixels, for walls and collisions.
extern int32_t BallRadius;
// (0, 0, screen width, screen height): the bubbles' world.
extern TRect ScreenRect;
// The host window's client rectangle as read at set-up.
extern TRect HostRect;
// Host width over screen width; 1.0 full screen.
extern float ViewScale;
// How much smaller than the screen the host window draws the scene: host
// width over screen width, 1.0 when there is no screen width.
float ViewScaleFor(const TRect& hostRect, const TRect& screenRect);
// For collisions and edge bounces alike.
extern double Restitution;

constexpr double DefaultRestitution = 0.8;

// Reseeds the generator from the clock and fills places 1..count in rows
// along the top of the screen.
void BuildBalls(int32_t count);
// One physics step over the bubbles in use; timeFactor is 25 / frame rate.
void MoveBalls(double timeFactor);
// The impact of two bubbles of equal mass: their velocities along the line
// of centres are exchanged with restitution, the parts across it kept.
void CollideBalls(TBallRec& a, TBallRec& b);
