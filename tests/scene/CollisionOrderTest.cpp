#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/Random.h"
#include "scene/UBallLink.h"
#include "settings/TBallSettings.h"

namespace {

constexpr int32_t FarAway = 100000;
constexpr int32_t Centre = FarAway / 2;

// The collision pass read literally, every ordered pair straight from the
// records, followed by the move; the table keeps its predictions aside for
// speed and must agree with this bit for bit.
void LiteralStep(std::vector<TBallRec>& balls, double t, double touching)
{
    const size_t count = balls.size();
    for (size_t i = 0; i < count; ++i) {
        bool blocked = false;
        for (size_t j = 0; j < count; ++j) {
            TBallRec& a = balls[i];
            TBallRec& b = balls[j];
            const double now = (b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y);
            const double dx = (b.X + b.SpeedX * t) - (a.X + a.SpeedX * t);
            const double dy = (b.Y + b.SpeedY * t) - (a.Y + a.SpeedY * t);
            const double next = dx * dx + dy * dy;
            if (!(next < touching) || j == i || next > now)
                continue;
            if (a.CanCollide == 1 && b.CanCollide == 1)
                CollideBalls(a, b);
            else
                blocked = true;
        }
        if (!blocked)
            balls[i].CanCollide = 1;
    }
    for (TBallRec& ball : balls) {
        ball.X += ball.SpeedX * t;
        ball.Y += ball.SpeedY * t;
    }
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A crowd, most of it free to bounce, thrown together in the middle of a screen too large for any edge
// to be reached, so that only collisions change the velocities.
void ConvergingCrowd()
{
    RandSeed(20240611);
    for (int32_t i = 1; i <= MaxBalls; ++i) {
        TBallRec ball;
        ball.Number = i;
        ball.CanCollide = i % 3 != 0;       // some still blocked, most free
        ball.X = Centre - 600 + Random(1200);
        ball.Y = Centre - 600 + Random(1200);
        ball.SpeedX = (Centre - ball.X) / 100.0 + (Random(9) - 4) * 0.25;
        ball.SpeedY = (Centre - ball.Y) / 100.0 + (Random(9) - 4) * 0.25;
        Balls[i] = ball;
    }
}

TEST(CollisionPass, AgreesWithTheLiteralPairOrderInACrowd)
{
    ScreenRect = {0, 0, FarAway, FarAway};
    BallRadius = 78;
    Restitution = DefaultRestitution;
    BallSettings.SoundOpen = false;
    BallSettings.BallsCount = MaxBalls;
    ConvergingCrowd();
    std::vector<TBallRec> expected;
    for (int32_t i = 1; i <= MaxBalls; ++i)
        expected.push_back(Balls[i]);

    int bounces = 0;
    for (int step = 0; step < 300; ++step) {
        const double t = 0.5 + (step % 5) * 0.5;
        const std::vector<TBallRec> before = expected;
        LiteralStep(expected, t, 4.0 * BallRadius * BallRadius);
        MoveBalls(t);
        for (int32_t i = 1; i <= MaxBalls; ++i) {
            const TBallRec& want = expected[static_cast<size_t>(i - 1)];
            const TBallRec& got = Balls[i];
            ASSERT_EQ(got.CanCollide, want.CanCollide) << "bubble " << i << " step " << step;
            ASSERT_TRUE(SameBits(got.SpeedX, want.SpeedX) && SameBits(got.SpeedY, want.SpeedY) &&
                        SameBits(got.X, want.X) && SameBits(got.Y, want.Y))
                << "bubble " << i << " step " << step;
            bounces += before[static_cast<size_t>(i - 1)].SpeedX != want.SpeedX;
        }
    }
    EXPECT_GT(bounces, 100);
}

}
