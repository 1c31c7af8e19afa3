#include "scene/TWind.h"

#include "platform/Random.h"
#include "platform/TickCount.h"
#include "platform/WindowTimer.h"
#include "scene/Rounding.h"
#include "scene/UBallLink.h"
#include "settings/TBallSettings.h"

namespace {
constexpr int32_t StartDelayMin = 5;       // ms before the next gust: 5..9
constexpr int32_t StartDelaySpread = 5;
constexpr int32_t TickInterval = 50;       // ms between two blows of a gust
// A blow may wait up to a frame's time for the loop's next wake-up instead of
// waking the processor on its own: it pulls the same, the blows keep their
// 50 ms rhythm, and the saver wakes 25 times a second instead of 45.
constexpr uint32_t TickTolerance = 40;
constexpr int32_t BandWidth = 100;         // pixels, at the top and at the bottom edge
constexpr int32_t MaxStrength = 8;
constexpr int32_t GustLengths = 3;         // 0, 1000 or 2000 ms
constexpr int32_t GustLengthUnit = 1000;
constexpr double PullShare = 20.0;         // each blow closes a twentieth of the gap
}

TWind::TWind()
    : StartTimer(std::make_unique<TWindowTimer>()), TickTimer(std::make_unique<TWindowTimer>())
{
    StartTimer->SetOnTimer([this] { StartGust(); });
    TickTimer->SetOnTimer([this] { GustTick(); });
    TickTimer->SetInterval(TickInterval);
    TickTimer->SetTolerance(TickTolerance);
    TickTimer->SetEnabled(false);
    ArmStartTimer();
}

TWind::~TWind()
{
    Stop();
    StartTimer.reset();
    TickTimer.reset();
    Region.reset();
}

void TWind::Stop()
{
    StartTimer->SetEnabled(false);
    TickTimer->SetEnabled(false);
}

void TWind::ArmStartTimer()
{
    StartTimer->SetInterval(StartDelayMin + Random(StartDelaySpread));
    StartTimer->SetEnabled(true);
}

void TWind::StartGust()
{
    const int32_t width = ScreenRect.Right;
    const int32_t height = ScreenRect.Bottom;
    const int32_t a = Random(2 * width) - width / 2;
    Corners[0] = {a, 0};
    Corners[1] = {a + BandWidth, 0};
    const int32_t c = Random(2 * width) - width / 2;
    Corners[2] = {c, height};
    Corners[3] = {c + BandWidth, height};
    Region.emplace(Corners);
    Strength = Random(MaxStrength) + 1;
    GustSpeedX = Strength * (static_cast<double>(c - a) / static_cast<double>(height));
    GustSpeedY = static_cast<double>((Random(3) - 1) * Strength);
    GustLength = Random(GustLengths) * GustLengthUnit;
    GustStart = GetTickCount();
    TickTimer->SetEnabled(true);
    StartTimer->SetEnabled(false);
}

void TWind::GustTick()
{
    const auto elapsed = static_cast<int32_t>(GetTickCount() - GustStart);
    if (elapsed <= GustLength) {
        Blow();
        return;
    }
    Region.reset();
    TickTimer->SetEnabled(false);
    ArmStartTimer();
}

void TWind::Blow()
{
    if (!Region)
        return;
    for (int32_t i = 1; i <= BallsInUse(); ++i) {
        TBallRec& ball = Balls[i];
        if (ball.CanCollide != 1 || !Region->Contains(RoundHalfEven(ball.X), RoundHalfEven(ball.Y)))
            continue;
        ball.SpeedX += (GustSpeedX - ball.SpeedX) / PullShare;
        ball.SpeedY += (GustSpeedY - ball.SpeedY) / PullShare;
    }
}
