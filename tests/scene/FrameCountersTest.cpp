#include <gtest/gtest.h>

#include <tuple>

#include "scene/FrameCounters.h"
#include "scene/Rounding.h"

namespace {

class FrameCountersTest : public testing::Test {
protected:
    void SetUp() override { ResetFrameCounters(); }
    void TearDown() override { ResetFrameCounters(); }
};

TEST_F(FrameCountersTest, FirstTickStartsTheClockAndKeepsTheNominalRate)
{
    CountFrameTick(123456);
    EXPECT_EQ(FirstTick, 123456u);
    EXPECT_EQ(ElapsedMs, 0);
    EXPECT_EQ(FrameCount, 1);
    UpdateFrameRate();
    EXPECT_EQ(FrameRate, 25);
    EXPECT_DOUBLE_EQ(FrameTimeFactor(), 1.0);
}

TEST_F(FrameCountersTest, AverageRateSinceTheFirstTick)
{
    CountFrameTick(1000);
    UpdateFrameRate();
    CountFrameTick(1047);
    UpdateFrameRate();
    // Two ticks 47 ms apart: 2 / 47 * 1000 = 42.55, the early average runs high.
    EXPECT_EQ(ElapsedMs, 47);
    EXPECT_EQ(FrameCount, 2);
    EXPECT_EQ(FrameRate, 43);
    EXPECT_DOUBLE_EQ(FrameTimeFactor(), 25.0 / 43.0);

    // Later averages: 101 ticks in 4000 ms give 25.25, 51 in 2000 ms give 25.5 (to even: 26),
    // 9 in 400 ms give 22.5 (to even: 22).
    for (const auto& [count, elapsed, rate] : {std::tuple{101, 4000, 25}, {51, 2000, 26}, {9, 400, 22}}) {
        FrameCount = count;
        ElapsedMs = elapsed;
        UpdateFrameRate();
        EXPECT_EQ(FrameRate, rate) << count << " in " << elapsed;
    }
}

TEST_F(FrameCountersTest, ElapsedTimeSurvivesTheTickCountWrapping)
{
    CountFrameTick(0xFFFFFFF0u);
    CountFrameTick(0x00000010u);
    EXPECT_EQ(ElapsedMs, 32);
    UpdateFrameRate();
    EXPECT_EQ(FrameRate, RoundHalfEven(2.0 / 32.0 * 1000.0));
}

TEST_F(FrameCountersTest, SlowOrWrappedAveragesNeverGiveAnInfiniteOrBackwardStep)
{
    // One frame in more than two seconds: the average rounds to 0.
    CountFrameTick(1);
    CountFrameTick(5001);
    UpdateFrameRate();
    EXPECT_EQ(FrameRate, 0);
    EXPECT_DOUBLE_EQ(FrameTimeFactor(), 25.0);

    // After 2^31 ms the signed elapsed time turns negative.
    FrameRate = -3;
    EXPECT_DOUBLE_EQ(FrameTimeFactor(), 25.0);
}

TEST(RoundingTest, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(-2.5001), -3);
    EXPECT_EQ(RoundHalfEven(136.5), 136);
}

}
