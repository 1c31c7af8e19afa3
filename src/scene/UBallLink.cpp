#include "scene/UBallLink.h"

#include <algorithm>
#include <cmath>

#include "platform/Random.h"
#include "settings/TBallSettings.h"
#include "sound/Uwindbell.h"

namespace {

constexpr double FirstRowY = 90.0;
constexpr double RowIndent = 8.0;
constexpr int32_t SpeedXRange = 15;     // 1..15
constexpr int32_t SpeedYRange = 14;     // 1..14
constexpr int32_t TintRange = 255;      // 0..254
constexpr int32_t TintStepRange = 17;   // 0..16
constexpr int32_t TintMax = 255;
constexpr double SpinPerStep = 0.005;
// Squared pixels the separation must shrink by in one step to strike the chime.
constexpr double RingThreshold = 500.0;
// Any tint change beyond this ends clamped all the same; the limit only keeps
// a huge time factor from overflowing the integer tint.
constexpr double TintChangeLimit = 1 << 20;

// Nearest integer with halves to even, independent of the floating-point
// environment's rounding mode.
int32_t RoundTintChange(double value)
{
    if (std::isnan(value))
        return 0;
    const double limited = std::clamp(value, -TintChangeLimit, TintChangeLimit);
    const double below = std::floor(limited);
    const double fraction = limited - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    return static_cast<int32_t>(rounded);
}

// Where every bubble is and where it will be after this step, kept side by
// side so that the pair test over the whole table runs over plain arrays.
struct TPairScan {
    std::array<double, MaxBalls> X;
    std::array<double, MaxBalls> Y;
    std::array<double, MaxBalls> NextX;
    std::array<double, MaxBalls> NextY;
};

void Predict(TPairScan& scan, int32_t index, double t)
{
    const TBallRec& ball = Balls[index + 1];
    scan.X[index] = ball.X;
    scan.Y[index] = ball.Y;
    scan.NextX[index] = ball.X + ball.SpeedX * t;
    scan.NextY[index] = ball.Y + ball.SpeedY * t;
}

double SquaredNow(const TPairScan& scan, int32_t i, int32_t j)
{
    const double dx = scan.X[j] - scan.X[i];
    const double dy = scan.Y[j] - scan.Y[i];
    return dx * dx + dy * dy;
}

double SquaredNext(const TPairScan& scan, int32_t i, int32_t j)
{
    const double dx = scan.NextX[j] - scan.NextX[i];
    const double dy = scan.NextY[j] - scan.NextY[i];
    return dx * dx + dy * dy;
}

void CollisionPass(int32_t count, double t)
{
    // Wider than 32 bits: a hand-edited size can make the radius large.
    const double touching = 4.0 * static_cast<double>(BallRadius) * static_cast<double>(BallRadius);
    TPairScan scan;
    for (int32_t k = 0; k < count; ++k)
        Predict(scan, k, t);
    for (int32_t i = 0; i < count; ++i) {
        TBallRec& a = Balls[i + 1];
        bool blocked = false;
        for (int32_t j = 0; j < count; ++j) {
            // Most pairs are far apart: the predicted distance rules them out first.
            const double next = SquaredNext(scan, i, j);
            if (!(next < touching) || j == i)
                continue;
            const double now = SquaredNow(scan, i, j);
            if (next > now)
                continue;
            TBallRec& b = Balls[j + 1];
            if (a.CanCollide == 1 && b.CanCollide == 1) {
                CollideBalls(a, b);
                if (now - next > RingThreshold && BallSettings.SoundOpen && WindBell)
                    WindBell->Ring(a.Number, b.Number);
                // New velocities count at once for every later pair.
                Predict(scan, i, t);
                Predict(scan, j, t);
            } else {
                blocked = true;
            }
        }
        if (!blocked)
            a.CanCollide = 1;
    }
}

void StepTint(int32_t& value, int32_t step, double t) { value += RoundTintChange(step * t); }

void ClampTintAbove(int32_t& value, int32_t& step)
{
    if (value > TintMax) {
        value = TintMax;
        step = -step;
    }
}

void ClampTintBelow(int32_t& value, int32_t& step)
{
    if (value < 0) {
        value = 0;
        step = -step;
    }
}

void MoveOne(TBallRec& ball, double t)
{
    ball.Angle += ball.RedStep + ball.GreenStep + ball.BlueStep > 0 ? SpinPerStep : -SpinPerStep;

    ball.X += ball.SpeedX * t;
    ball.Y += ball.SpeedY * t;

    // The edges are judged one step ahead, so a bubble stops on the edge
    // before it would cross it.
    const double aheadX = ball.X + ball.SpeedX * t;
    const double aheadY = ball.Y + ball.SpeedY * t;
    const double r = BallRadius;
    const double farX = static_cast<double>(ScreenRect.Right) - r;
    const double farY = static_cast<double>(ScreenRect.Bottom) - r;
    if (aheadX >= farX)
        ball.X = farX;
    if (aheadY >= farY)
        ball.Y = farY;
    if (aheadX < r)
        ball.X = r;
    if (aheadY < r)
        ball.Y = r;
    if (aheadX >= farX || aheadX <= r)
        ball.SpeedX = -ball.SpeedX * Restitution;
    if (aheadY >= farY || aheadY <= r)
        ball.SpeedY = -ball.SpeedY * Restitution;

    StepTint(ball.Red, ball.RedStep, t);
    StepTint(ball.Green, ball.GreenStep, t);
    StepTint(ball.Blue, ball.BlueStep, t);
    ClampTintAbove(ball.Red, ball.RedStep);
    ClampTintAbove(ball.Green, ball.GreenStep);
    ClampTintAbove(ball.Blue, ball.BlueStep);
    ClampTintBelow(ball.Red, ball.RedStep);
    ClampTintBelow(ball.Green, ball.GreenStep);
    ClampTintBelow(ball.Blue, ball.BlueStep);
}

}

TBallTable Balls;

// The stored count is limited where it is loaded; this keeps the table safe
// from a record filled some other way.
int32_t BallsInUse() { return std::clamp(BallSettings.BallsCount, 0, MaxBalls); }
int32_t BallRadius = 0;
TRect ScreenRect;
TRect HostRect;
float ViewScale = 1.0f;
double Restitution = DefaultRestitution;

float ViewScaleFor(const TRect& hostRect, const TRect& screenRect)
{
    if (screenRect.Right <= 0)
        return 1.0f;
    return static_cast<float>(static_cast<double>(hostRect.Right - hostRect.Left) / screenRect.Right);
}

void BuildBalls(int32_t count)
{
    Randomize();
    count = std::clamp(count, 0, MaxBalls);
    const int64_t r = BallRadius;
    int64_t offset = 0;
    int64_t row = 0;
    for (int32_t i = 1; i <= count; ++i) {
        TBallRec ball;
        ball.Number = i;
        offset += r;
        if (offset + r > ScreenRect.Right) {
            ++row;
            offset = 0;
        }
        ball.X = static_cast<double>(offset) + RowIndent;
        ball.Y = 2.0 * static_cast<double>(r) * static_cast<double>(row) + FirstRowY;
        ball.SpeedX = Random(SpeedXRange) + 1;
        ball.SpeedY = Random(SpeedYRange) + 1;
        ball.Red = Random(TintRange);
        ball.Green = Random(TintRange);
        ball.Blue = Random(TintRange);
        ball.RedStep = Random(TintStepRange);
        ball.GreenStep = Random(TintStepRange);
        ball.BlueStep = Random(TintStepRange);
        ball.CanCollide = 0;
        ball.Angle = 0.0;
        Balls[i] = ball;
    }
}

void MoveBalls(double timeFactor)
{
    const int32_t count = BallsInUse();
    CollisionPass(count, timeFactor);
    for (int32_t i = 1; i <= count; ++i)
        MoveOne(Balls[i], timeFactor);
}

void CollideBalls(TBallRec& a, TBallRec& b)
{
    const double dx = a.X - b.X;
    const double dy = a.Y - b.Y;
    const double d = std::sqrt(dx * dx + dy * dy);
    // Two bubbles on the same centre have no line between them to bounce along.
    if (!(d > 0.0))
        return;
    const double nx = dx / d;
    const double ny = dy / d;
    const double acrossA = ny * a.SpeedX - nx * a.SpeedY;
    const double acrossB = ny * b.SpeedX - nx * b.SpeedY;
    const double alongA = nx * a.SpeedX + ny * a.SpeedY;
    const double alongB = nx * b.SpeedX + ny * b.SpeedY;
    const double keep = (1.0 - Restitution) / 2.0;
    const double pass = (1.0 + Restitution) / 2.0;
    const double newAlongA = keep * alongA + pass * alongB;
    const double newAlongB = pass * alongA + keep * alongB;
    a.SpeedX = ny * acrossA + nx * newAlongA;
    a.SpeedY = -nx * acrossA + ny * newAlongA;
    b.SpeedX = ny * acrossB + nx * newAlongB;
    b.SpeedY = -nx * acrossB + ny * newAlongB;
}
