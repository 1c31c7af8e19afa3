#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "platform/MidiRecorder.h"
#include "platform/Random.h"
#include "scene/UBallLink.h"
#include "settings/TBallSettings.h"
#include "sound/Uwindbell.h"

namespace {

constexpr uint32_t RandomFactor = 134775813u;

// The generator's step run backwards, to find the seed a build started from.
uint32_t InverseFactor()
{
    uint32_t inverse = RandomFactor;
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - RandomFactor * inverse;
    return inverse;
}

uint32_t SeedBefore(uint32_t seed, int draws)
{
    for (int i = 0; i < draws; ++i)
        seed = (seed - 1u) * InverseFactor();
    return seed;
}

class Physics : public testing::Test {
protected:
    void SetUp() override
    {
        ScreenRect = {0, 0, 1024, 768};
        BallRadius = 78;
        Restitution = DefaultRestitution;
        BallSettings.SoundOpen = true;
        BallSettings.BallsCount = 2;
        for (int32_t i = 1; i <= MaxBalls; ++i)
            Balls[i] = TBallRec{};
    }

    void TearDown() override
    {
        delete WindBell;
        WindBell = nullptr;
        BallSettings = TBallSettings{};
    }

    // A bubble that is free to collide and has no tint change to speak of.
    static TBallRec Free(double x, double y, double speedX, double speedY)
    {
        TBallRec ball;
        ball.X = x;
        ball.Y = y;
        ball.SpeedX = speedX;
        ball.SpeedY = speedY;
        ball.Red = ball.Green = ball.Blue = 128;
        ball.CanCollide = 1;
        return ball;
    }

    static void Place(std::initializer_list<TBallRec> balls)
    {
        int32_t place = 0;
        for (const TBallRec& ball : balls) {
            Balls[++place] = ball;
            Balls[place].Number = place;
        }
        BallSettings.BallsCount = place;
    }
};

TEST_F(Physics, BuildBallsLaysRowsAlongTheTop)
{
    BuildBalls(26);
    EXPECT_EQ(Balls[1].X, 86.0);        // r + 8
    EXPECT_EQ(Balls[1].Y, 90.0);
    EXPECT_EQ(Balls[2].X, 164.0);       // neighbours r apart, overlapping
    EXPECT_EQ(Balls[12].X, 944.0);
    EXPECT_EQ(Balls[12].Y, 90.0);
    EXPECT_EQ(Balls[13].X, 8.0);        // 1014 + 78 > 1024: next row at offset 0
    EXPECT_EQ(Balls[13].Y, 246.0);      // rows 2r apart
    EXPECT_EQ(Balls[14].X, 86.0);
    EXPECT_EQ(Balls[25].X, 944.0);
    EXPECT_EQ(Balls[26].X, 8.0);
    EXPECT_EQ(Balls[26].Y, 402.0);
    for (int32_t i = 1; i <= 26; ++i) {
        const TBallRec& ball = Balls[i];
        EXPECT_EQ(ball.Number, i);
        EXPECT_EQ(ball.CanCollide, 0);
        EXPECT_EQ(ball.Angle, 0.0);
        EXPECT_GE(ball.SpeedX, 1.0);
        EXPECT_LE(ball.SpeedX, 15.0);
        EXPECT_GE(ball.SpeedY, 1.0);
        EXPECT_LE(ball.SpeedY, 14.0);
        for (int32_t tint : {ball.Red, ball.Green, ball.Blue}) {
            EXPECT_GE(tint, 0);
            EXPECT_LE(tint, 254);
        }
        for (int32_t step : {ball.RedStep, ball.GreenStep, ball.BlueStep}) {
            EXPECT_GE(step, 0);
            EXPECT_LE(step, 16);
        }
    }
}

TEST_F(Physics, BuildBallsDrawsSpeedsThenTintsThenStepsPerBubble)
{
    constexpr int32_t count = 5;
    BuildBalls(count);
    RandSeed(SeedBefore(CurrentRandSeed(), 8 * count));
    for (int32_t i = 1; i <= count; ++i) {
        const TBallRec& ball = Balls[i];
        EXPECT_EQ(ball.SpeedX, Random(15) + 1) << i;
        EXPECT_EQ(ball.SpeedY, Random(14) + 1) << i;
        EXPECT_EQ(ball.Red, Random(255)) << i;
        EXPECT_EQ(ball.Green, Random(255)) << i;
        EXPECT_EQ(ball.Blue, Random(255)) << i;
        EXPECT_EQ(ball.RedStep, Random(17)) << i;
        EXPECT_EQ(ball.GreenStep, Random(17)) << i;
        EXPECT_EQ(ball.BlueStep, Random(17)) << i;
    }
}

TEST_F(Physics, BuildBallsReplacesEverythingAndKeepsToTheTable)
{
    Balls[1].CanCollide = 1;
    Balls[1].Angle = 3.0;
    BuildBalls(150);
    EXPECT_EQ(Balls[1].CanCollide, 0);
    EXPECT_EQ(Balls[1].Angle, 0.0);
    EXPECT_EQ(Balls[MaxBalls].Number, MaxBalls);

    Balls[1].Number = -7;
    BuildBalls(-3);
    BuildBalls(0);
    EXPECT_EQ(Balls[1].Number, -7);
}

TEST_F(Physics, NoBubblesMeansNothingMoves)
{
    Place({Free(300, 300, 4, 4), Free(330, 300, -4, 0)});
    BallSettings.BallsCount = 0;
    MoveBalls(1.0);
    EXPECT_EQ(Balls[1].X, 300.0);
    EXPECT_EQ(Balls[1].Angle, 0.0);
    EXPECT_EQ(Balls[2].SpeedX, -4.0);
}

TEST_F(Physics, CountBeyondTheTableMovesOnlyTheTable)
{
    BuildBalls(MaxBalls);
    BallSettings.BallsCount = MaxBalls + 50;
    MoveBalls(1.0);
    EXPECT_NE(Balls[MaxBalls].Angle, 0.0);
    BallSettings.BallsCount = -4;
    const double angle = Balls[1].Angle;
    MoveBalls(1.0);
    EXPECT_EQ(Balls[1].Angle, angle);
}

TEST_F(Physics, NewBubblesPassThroughUntilAStepUnblocked)
{
    TBallRec mover = Free(300, 300, 3, 0);
    TBallRec still = Free(378, 300, 0, 0);
    mover.CanCollide = still.CanCollide = 0;
    Place({mover, still});

    int steps = 0;
    while (Balls[1].X < Balls[2].X) {
        MoveBalls(1.0);
        EXPECT_EQ(Balls[1].SpeedX, 3.0) << "bounced while blocked";
        EXPECT_EQ(Balls[2].SpeedX, 0.0);
        if (Balls[1].X < Balls[2].X) {
            EXPECT_EQ(Balls[1].CanCollide, 0);
            EXPECT_EQ(Balls[2].CanCollide, 0);
        }
        ASSERT_LT(++steps, 100);
    }
    MoveBalls(1.0);
    EXPECT_EQ(Balls[1].CanCollide, 1);
    EXPECT_EQ(Balls[2].CanCollide, 1);

    // Turned back towards each other, they now bounce.
    Balls[1].SpeedX = -3.0;
    MoveBalls(1.0);
    EXPECT_GT(Balls[1].SpeedX, -3.0);
    EXPECT_LT(Balls[2].SpeedX, 0.0);
}

TEST_F(Physics, OverlappingPairMovingApartNeitherBouncesNorBlocks)
{
    TBallRec left = Free(300, 300, -1, 0);
    TBallRec right = Free(350, 300, 1, 0);
    left.CanCollide = right.CanCollide = 0;
    Place({left, right});
    MoveBalls(1.0);
    EXPECT_EQ(Balls[1].SpeedX, -1.0);
    EXPECT_EQ(Balls[2].SpeedX, 1.0);
    EXPECT_EQ(Balls[1].CanCollide, 1);
    EXPECT_EQ(Balls[2].CanCollide, 1);
}

TEST_F(Physics, EdgesAreJudgedOneStepAhead)
{
    ScreenRect = {0, 0, 1024, 200};
    Place({Free(500, 402, 0, 5),      // a row that starts below the screen
           Free(995, 110, 5, 0),      // would cross the right edge next step
           Free(90, 110, -6, 0),      // will stand exactly r from the left edge
           Free(500, 110, 0, -3)});
    BallRadius = 20;
    Balls[3].X = 32;
    MoveBalls(1.0);

    EXPECT_EQ(Balls[1].Y, 180.0);              // H - r
    EXPECT_EQ(Balls[1].SpeedY, -4.0);
    EXPECT_EQ(Balls[2].X, 1004.0);             // W - r
    EXPECT_EQ(Balls[2].SpeedX, -4.0);
    EXPECT_EQ(Balls[3].X, 26.0);               // ahead exactly r: reversed, not moved
    EXPECT_DOUBLE_EQ(Balls[3].SpeedX, 4.8);
    EXPECT_EQ(Balls[4].Y, 107.0);              // far from every edge
    EXPECT_EQ(Balls[4].SpeedY, -3.0);
}

TEST_F(Physics, SpinFollowsTheTintStepsAndIgnoresTheTimeFactor)
{
    Place({Free(200, 200, 0, 0), Free(600, 200, 0, 0), Free(200, 500, 0, 0)});
    // Tints chosen so that no step reaches an end of the range and flips.
    Balls[1].Red = 0;
    Balls[1].RedStep = 1;
    Balls[2].Red = 255;
    Balls[2].RedStep = -1;                     // sum 0 runs backwards too
    Balls[2].Green = 0;
    Balls[2].GreenStep = 1;
    for (int step = 0; step < 200; ++step)
        MoveBalls(step % 2 ? 0.5 : 1.5);
    EXPECT_NEAR(Balls[1].Angle, 1.0, 1e-9);    // one turn in 200 steps
    EXPECT_NEAR(Balls[2].Angle, -1.0, 1e-9);
    EXPECT_NEAR(Balls[3].Angle, -1.0, 1e-9);   // all steps 0: backwards for ever
}

TEST_F(Physics, TintStopsAtTheEndsAndTurnsOnlyWhenItOvershoots)
{
    Place({Free(200, 200, 0, 0), Free(600, 200, 0, 0)});
    Balls[1].Red = 250;
    Balls[1].RedStep = 5;
    Balls[2].Blue = 5;
    Balls[2].BlueStep = -5;
    MoveBalls(1.0);
    EXPECT_EQ(Balls[1].Red, 255);
    EXPECT_EQ(Balls[1].RedStep, 5);
    EXPECT_EQ(Balls[2].Blue, 0);
    EXPECT_EQ(Balls[2].BlueStep, -5);
    MoveBalls(1.0);
    EXPECT_EQ(Balls[1].Red, 255);
    EXPECT_EQ(Balls[1].RedStep, -5);
    EXPECT_EQ(Balls[2].Blue, 0);
    EXPECT_EQ(Balls[2].BlueStep, 5);
}

TEST_F(Physics, TintChangeRoundsHalvesToEven)
{
    struct Case {
        int32_t Step;
        int32_t Expected;
    };
    for (const Case& c : {Case{1, 100}, Case{3, 102}, Case{5, 102}, Case{7, 104}, Case{-1, 100}, Case{-3, 98},
                          Case{-5, 98}, Case{-7, 96}}) {
        Place({Free(200, 200, 0, 0)});
        Balls[1].Green = 100;
        Balls[1].GreenStep = c.Step;
        MoveBalls(0.5);
        EXPECT_EQ(Balls[1].Green, c.Expected) << "step " << c.Step;
    }
}

TEST_F(Physics, HugeTimeFactorKeepsTintsInRange)
{
    Place({Free(200, 200, 0, 0)});
    Balls[1].RedStep = 16;
    Balls[1].GreenStep = -16;
    MoveBalls(1e300);
    EXPECT_EQ(Balls[1].Red, 255);
    EXPECT_EQ(Balls[1].Green, 0);
}

TEST_F(Physics, ChimeRingsOnlyForHardImpactsOfFreeBubblesWithSoundOn)
{
    const TMidiRecorder recorder;
    WindBell = new TWindBell();
    auto ringsFor = [&recorder](double speed, uint8_t secondCanCollide, bool soundOpen) {
        Place({Free(100, 300, speed, 0), Free(130, 300, -speed, 0)});
        Balls[2].CanCollide = secondCanCollide;
        BallSettings.SoundOpen = soundOpen;
        const size_t before = recorder.Messages().size();
        MoveBalls(1.0);
        const auto messages = recorder.Messages();
        return messages.size() > before && (messages.back() & 0xF0u) == 0x90u;
    };
    EXPECT_TRUE(ringsFor(5.5, 1, true));
    EXPECT_FALSE(ringsFor(5.0, 1, true));     // shrinks by exactly 500
    EXPECT_FALSE(ringsFor(5.5, 0, true));
    EXPECT_FALSE(ringsFor(5.5, 1, false));
}

TEST(CollideBalls, KeepsMomentumAndTheAcrossPartsAndDampsTheClosingSpeed)
{
    Restitution = DefaultRestitution;
    struct Pair {
        double ax, ay, avx, avy, bx, by, bvx, bvy;
    };
    for (const Pair& p : {Pair{0, 0, 3, 1, 30, 40, -2, 0.5}, Pair{100, 100, 0, 0, 150, 100, -7, 2},
                          Pair{10, 20, -1.5, 4, -60, 90, 2, -3}, Pair{0, 0, 1, 1, 0, 100, 1, -9}}) {
        TBallRec a;
        a.X = p.ax, a.Y = p.ay, a.SpeedX = p.avx, a.SpeedY = p.avy;
        TBallRec b;
        b.X = p.bx, b.Y = p.by, b.SpeedX = p.bvx, b.SpeedY = p.bvy;
        const double d = std::hypot(p.ax - p.bx, p.ay - p.by);
        const double nx = (p.ax - p.bx) / d;
        const double ny = (p.ay - p.by) / d;
        const auto along = [&](double vx, double vy) { return nx * vx + ny * vy; };
        const auto across = [&](double vx, double vy) { return ny * vx - nx * vy; };
        const double closingBefore = along(p.avx - p.bvx, p.avy - p.bvy);

        CollideBalls(a, b);

        EXPECT_NEAR(a.SpeedX + b.SpeedX, p.avx + p.bvx, 1e-12);
        EXPECT_NEAR(a.SpeedY + b.SpeedY, p.avy + p.bvy, 1e-12);
        EXPECT_NEAR(along(a.SpeedX - b.SpeedX, a.SpeedY - b.SpeedY), -0.8 * closingBefore, 1e-12);
        EXPECT_NEAR(across(a.SpeedX, a.SpeedY), across(p.avx, p.avy), 1e-12);
        EXPECT_NEAR(across(b.SpeedX, b.SpeedY), across(p.bvx, p.bvy), 1e-12);
        EXPECT_EQ(a.X, p.ax);
        EXPECT_EQ(b.Y, p.by);
    }
}

TEST(CollideBalls, ElasticHeadOnImpactSwapsVelocities)
{
    Restitution = 1.0;
    TBallRec a;
    a.SpeedX = 4;
    TBallRec b;
    b.X = 100;
    b.SpeedX = -1;
    CollideBalls(a, b);
    EXPECT_DOUBLE_EQ(a.SpeedX, -1.0);
    EXPECT_DOUBLE_EQ(b.SpeedX, 4.0);
    Restitution = DefaultRestitution;
}

TEST(CollideBalls, SameCentreLeavesBothUntouched)
{
    TBallRec a;
    a.X = a.Y = 50;
    a.SpeedX = 2;
    TBallRec b = a;
    b.SpeedY = -3;
    CollideBalls(a, b);
    EXPECT_EQ(a.SpeedX, 2.0);
    EXPECT_EQ(a.SpeedY, 0.0);
    EXPECT_EQ(b.SpeedY, -3.0);
}

TEST_F(Physics, SameCentreAndSpeedPairStaysFinite)
{
    Place({Free(300, 300, 2, 2), Free(300, 300, 2, 2)});
    MoveBalls(1.0);
    EXPECT_TRUE(std::isfinite(Balls[1].SpeedX));
    EXPECT_EQ(Balls[2].SpeedY, 2.0);
}

TEST_F(Physics, HugeRadiusDoesNotWrapTheTouchingDistance)
{
    // 4 * r * r in 32 bits would wrap to a small or negative number here.
    BallRadius = 50000;
    ScreenRect = {0, 0, 1000000, 1000000};
    Place({Free(200000, 200000, 5, 0), Free(250000, 200000, -5, 0)});
    MoveBalls(1.0);
    EXPECT_LT(Balls[1].SpeedX, 0.0);
    EXPECT_GT(Balls[2].SpeedX, 0.0);
}

struct Scenario {
    int32_t Width;
    int32_t Height;
    int32_t Radius;
    int32_t Count;
};

TEST_F(Physics, BubblesNeverLeaveTheScreenOverTenThousandSteps)
{
    for (const Scenario& s : {Scenario{1024, 768, 78, 100}, Scenario{1920, 1080, 16, 60},
                              Scenario{640, 480, 117, 10}}) {
        ScreenRect = {0, 0, s.Width, s.Height};
        BallRadius = s.Radius;
        BallSettings.BallsCount = s.Count;
        BuildBalls(s.Count);
        const double r = s.Radius;
        for (int step = 0; step < 10000; ++step) {
            MoveBalls(0.4 + (step % 7) * 0.4);
            for (int32_t i = 1; i <= s.Count; ++i) {
                const TBallRec& ball = Balls[i];
                ASSERT_TRUE(ball.X >= r && ball.X <= s.Width - r && ball.Y >= r && ball.Y <= s.Height - r)
                    << "bubble " << i << " at (" << ball.X << ", " << ball.Y << ") after step " << step;
                ASSERT_TRUE(ball.Red >= 0 && ball.Red <= 255 && ball.Green >= 0 && ball.Green <= 255 &&
                            ball.Blue >= 0 && ball.Blue <= 255);
            }
        }
    }
}

}
