#include <gtest/gtest.h>

#include "platform/EventLoop.h"
#include "platform/ManualClock.h"
#include "platform/Random.h"
#include "platform/WindowTimer.h"
#include "scene/TWind.h"
#include "scene/UBallLink.h"
#include "settings/TBallSettings.h"

namespace {

constexpr int32_t ScreenWidth = 1000;
constexpr int32_t ScreenHeight = 600;

class TWindTest : public testing::Test {
protected:
    void SetUp() override
    {
        ScreenRect = {0, 0, ScreenWidth, ScreenHeight};
        BallSettings.BallsCount = 0;
    }
    void TearDown() override { BallSettings.BallsCount = 10; }

    // A bubble at (x, y) moving with (speedX, speedY), past its first step.
    static TBallRec& PlaceBall(int32_t place, double x, double y, double speedX, double speedY)
    {
        TBallRec& ball = Balls[place];
        ball = TBallRec{};
        ball.X = x;
        ball.Y = y;
        ball.SpeedX = speedX;
        ball.SpeedY = speedY;
        ball.CanCollide = 1;
        ball.Number = place;
        BallSettings.BallsCount = std::max(BallSettings.BallsCount, place);
        return ball;
    }

    // Runs the loop over `ms` milliseconds of the manual clock, one millisecond at a time.
    void RunFor(uint64_t ms)
    {
        for (uint64_t i = 0; i < ms; ++i) {
            Clock.Advance(1);
            while (UiLoop().RunReady()) {
            }
        }
    }

    TManualClock Clock{5000};
};

TEST_F(TWindTest, CreateWaitsFiveToNineMillisecondsForTheFirstGust)
{
    RandSeed(77);
    const int32_t expectedDelay = 5 + Random(5);
    RandSeed(77);
    TWind wind;
    EXPECT_TRUE(wind.StartTimer->Enabled());
    EXPECT_EQ(wind.StartTimer->Interval(), static_cast<uint32_t>(expectedDelay));
    EXPECT_FALSE(wind.TickTimer->Enabled());
    EXPECT_EQ(wind.TickTimer->Interval(), 50u);
    EXPECT_FALSE(wind.Region.has_value());
}

TEST_F(TWindTest, GustDrawsBandStrengthDirectionAndLengthInThatOrder)
{
    for (uint32_t seed : {1u, 42u, 4242u, 0xDEADBEEFu}) {
        RandSeed(seed);
        Random(5);   // the start delay drawn by Create
        const int32_t a = Random(2 * ScreenWidth) - ScreenWidth / 2;
        const int32_t c = Random(2 * ScreenWidth) - ScreenWidth / 2;
        const int32_t strength = Random(8) + 1;
        const int32_t direction = Random(3) - 1;
        const int32_t length = Random(3) * 1000;

        RandSeed(seed);
        TWind wind;
        wind.StartGust();
        const std::array<TCornerPoint, 4> corners{{{a, 0}, {a + 100, 0}, {c, ScreenHeight}, {c + 100, ScreenHeight}}};
        EXPECT_EQ(wind.Corners, corners) << seed;
        EXPECT_EQ(wind.Strength, strength) << seed;
        EXPECT_DOUBLE_EQ(wind.GustSpeedX, strength * (static_cast<double>(c - a) / ScreenHeight)) << seed;
        EXPECT_DOUBLE_EQ(wind.GustSpeedY, direction * strength) << seed;
        EXPECT_EQ(wind.GustLength, length) << seed;
        EXPECT_EQ(wind.GustStart, GetTickCount());
        EXPECT_TRUE(wind.Region.has_value());
        EXPECT_TRUE(wind.TickTimer->Enabled());
        EXPECT_FALSE(wind.StartTimer->Enabled());
    }
}

TEST_F(TWindTest, BlowPullsBubblesInsideTheBandATwentiethTowardsTheGust)
{
    TWind wind;
    wind.Stop();
    // A vertical band at x 400..500 with a level gust: zero velocity, so it brakes.
    wind.Region.emplace(std::array<TCornerPoint, 4>{{{400, 0}, {500, 0}, {400, ScreenHeight}, {500, ScreenHeight}}});
    wind.GustSpeedX = 0.0;
    wind.GustSpeedY = 0.0;
    TBallRec& inside = PlaceBall(1, 450.0, 100.0, 10.0, -4.0);
    TBallRec& outside = PlaceBall(2, 300.0, 100.0, 10.0, -4.0);
    TBallRec& blocked = PlaceBall(3, 450.0, 500.0, 10.0, -4.0);
    blocked.CanCollide = 0;
    const TBallRec before = inside;

    wind.Blow();
    EXPECT_DOUBLE_EQ(inside.SpeedX, 9.5);
    EXPECT_DOUBLE_EQ(inside.SpeedY, -3.8);
    EXPECT_EQ(inside.X, before.X);
    EXPECT_EQ(inside.Y, before.Y);
    EXPECT_EQ(inside.Red, before.Red);
    EXPECT_EQ(outside.SpeedX, 10.0);
    EXPECT_EQ(blocked.SpeedX, 10.0);
    EXPECT_EQ(blocked.SpeedY, -4.0);

    wind.GustSpeedX = 8.0;
    wind.GustSpeedY = 8.0;
    wind.Blow();
    EXPECT_DOUBLE_EQ(inside.SpeedX, 9.5 + (8.0 - 9.5) / 20.0);
    EXPECT_DOUBLE_EQ(inside.SpeedY, -3.8 + (8.0 + 3.8) / 20.0);
}

TEST_F(TWindTest, BubblePositionIsRoundedHalvesToEvenBeforeTheBandTest)
{
    TWind wind;
    wind.Stop();
    // Pixels 0..100 belong to this band.
    wind.Region.emplace(std::array<TCornerPoint, 4>{{{0, 0}, {101, 0}, {101, ScreenHeight}, {0, ScreenHeight}}});
    wind.GustSpeedX = 20.0;
    TBallRec& roundsDown = PlaceBall(1, 100.5, 50.0, 0.0, 0.0);    // 100: inside
    TBallRec& roundsUp = PlaceBall(2, 100.6, 50.0, 0.0, 0.0);      // 101: outside
    TBallRec& evenAbove = PlaceBall(3, 101.5, 50.0, 0.0, 0.0);     // 102: outside
    TBallRec& evenBelow = PlaceBall(4, -0.5, 50.0, 0.0, 0.0);      // 0: inside
    wind.Blow();
    EXPECT_DOUBLE_EQ(roundsDown.SpeedX, 1.0);
    EXPECT_EQ(roundsUp.SpeedX, 0.0);
    EXPECT_EQ(evenAbove.SpeedX, 0.0);
    EXPECT_DOUBLE_EQ(evenBelow.SpeedX, 1.0);
}

TEST_F(TWindTest, BandWhollyOffScreenPushesNothing)
{
    // The leftmost band a gust can pick: from -500 to -400 at both edges.
    TWind wind;
    wind.Stop();
    wind.Corners = {{{-500, 0}, {-400, 0}, {-500, ScreenHeight}, {-400, ScreenHeight}}};
    wind.Region.emplace(wind.Corners);
    wind.GustSpeedX = 0.0;
    wind.GustSpeedY = 8.0;
    for (int32_t place = 1; place <= 40; ++place)
        PlaceBall(place, 78.0 + (place - 1) * 21.0, 78.0 + (place % 7) * 60.0, 3.0, 3.0);
    wind.Blow();
    for (int32_t place = 1; place <= 40; ++place) {
        EXPECT_EQ(Balls[place].SpeedX, 3.0) << place;
        EXPECT_EQ(Balls[place].SpeedY, 3.0) << place;
    }
}

TEST_F(TWindTest, BlowStopsAtTheTablesCapacityWhateverTheCountSays)
{
    TWind wind;
    wind.Stop();
    wind.Region.emplace(std::array<TCornerPoint, 4>{{{0, 0}, {ScreenWidth, 0}, {0, ScreenHeight}, {ScreenWidth, ScreenHeight}}});
    wind.GustSpeedX = 20.0;
    for (int32_t place = 1; place <= MaxBalls; ++place)
        PlaceBall(place, 500.0, 100.0, 0.0, 0.0);
    // A record filled some other way than by loading; the sanitizer build
    // catches a step past the table.
    BallSettings.BallsCount = MaxBalls + 500;
    wind.Blow();
    EXPECT_DOUBLE_EQ(Balls[MaxBalls].SpeedX, 1.0);
}

TEST_F(TWindTest, GustEndsAfterItsLengthAcrossTheTickCountWrap)
{
    TWind wind;
    wind.Stop();
    wind.Region.emplace(std::array<TCornerPoint, 4>{{{0, 0}, {ScreenWidth, 0}, {0, ScreenHeight}, {ScreenWidth, ScreenHeight}}});
    wind.TickTimer->SetEnabled(true);
    wind.GustSpeedX = 20.0;
    wind.GustLength = 1000;
    TBallRec& ball = PlaceBall(1, 500.0, 10.0, 0.0, 0.0);

    // The gust began 30 ms before the tick count wrapped; 1000 ms later it still blows.
    Clock.Now = (uint64_t{1} << 32) - 30;
    wind.GustStart = GetTickCount();
    Clock.Advance(1000);
    ASSERT_LT(GetTickCount(), wind.GustStart);
    wind.GustTick();
    EXPECT_DOUBLE_EQ(ball.SpeedX, 1.0);
    EXPECT_TRUE(wind.TickTimer->Enabled());

    // One millisecond later it is over: nothing blows, and the next gust is armed.
    Clock.Advance(1);
    wind.GustTick();
    EXPECT_DOUBLE_EQ(ball.SpeedX, 1.0);
    EXPECT_FALSE(wind.Region.has_value());
    EXPECT_FALSE(wind.TickTimer->Enabled());
    EXPECT_TRUE(wind.StartTimer->Enabled());
    EXPECT_GE(wind.StartTimer->Interval(), 5u);
    EXPECT_LE(wind.StartTimer->Interval(), 9u);
}

TEST_F(TWindTest, ZeroLengthGustEndsOnItsFirstTickWithoutBlowing)
{
    TWind wind;
    wind.Stop();
    wind.Region.emplace(std::array<TCornerPoint, 4>{{{0, 0}, {ScreenWidth, 0}, {0, ScreenHeight}, {ScreenWidth, ScreenHeight}}});
    wind.GustSpeedX = 20.0;
    wind.GustLength = 0;
    wind.GustStart = GetTickCount();
    TBallRec& ball = PlaceBall(1, 500.0, 10.0, 0.0, 0.0);
    Clock.Advance(50);
    wind.GustTick();
    EXPECT_EQ(ball.SpeedX, 0.0);
    EXPECT_FALSE(wind.Region.has_value());
}

TEST_F(TWindTest, TimersDriveGustsAndNothingMovesAfterStop)
{
    // Every bubble is spread over the screen, so most gusts catch some of them.
    for (int32_t place = 1; place <= 50; ++place)
        PlaceBall(place, 10.0 + (place - 1) * 20.0, 30.0 + (place % 10) * 60.0, 1.0, 1.0);
    RandSeed(2024);
    TWind wind;
    RunFor(20000);
    bool anyPushed = false;
    for (int32_t place = 1; place <= 50; ++place)
        anyPushed = anyPushed || Balls[place].SpeedX != 1.0 || Balls[place].SpeedY != 1.0;
    EXPECT_TRUE(anyPushed);

    wind.Stop();
    std::array<std::pair<double, double>, 50> speeds;
    for (int32_t place = 1; place <= 50; ++place)
        speeds[static_cast<size_t>(place - 1)] = {Balls[place].SpeedX, Balls[place].SpeedY};
    RunFor(5000);
    for (int32_t place = 1; place <= 50; ++place) {
        EXPECT_EQ(Balls[place].SpeedX, speeds[static_cast<size_t>(place - 1)].first);
        EXPECT_EQ(Balls[place].SpeedY, speeds[static_cast<size_t>(place - 1)].second);
    }
    EXPECT_FALSE(wind.StartTimer->Enabled());
    EXPECT_FALSE(wind.TickTimer->Enabled());
}

TEST_F(TWindTest, ReleasedWindRunsNoMoreHandlers)
{
    for (int32_t place = 1; place <= 50; ++place)
        PlaceBall(place, 10.0 + (place - 1) * 20.0, 300.0, 1.0, 1.0);
    {
        TWind wind;
        wind.StartGust();   // blowing: its tick timer is on
    }
    RunFor(3000);
    for (int32_t place = 1; place <= 50; ++place)
        EXPECT_EQ(Balls[place].SpeedX, 1.0);
}

}
