#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
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
}

TEST_F(FrameCountersTest, TheRateStaysRightPastTwoToThe31And32Milliseconds)
{
    // 25 frames a second from a tick count that starts one hour before its
    // wrap-around, for 50 days: past 2^31 ms (where a signed 32-bit elapsed
    // time turns negative) and 2^32 ms (where the tick count comes round to
    // where it started) the average stays 25.
    constexpr uint32_t Interval = 40;
    constexpr int64_t FiftyDays = int64_t(50) * 24 * 3600 * 1000;
    uint32_t tick = 0xFFFFFFFFu - 3600u * 1000u;
    const int64_t checkpoints[] = {int64_t(1) << 31, int64_t(1) << 32, FiftyDays};
    size_t next = 0;
    CountFrameTick(tick);
    for (int64_t elapsed = Interval; elapsed <= FiftyDays; elapsed += Interval) {
        tick += Interval;
        CountFrameTick(tick);
        if (elapsed >= checkpoints[next]) {
            UpdateFrameRate();
            EXPECT_EQ(ElapsedMs, elapsed);
            EXPECT_EQ(FrameRate, 25) << "after " << elapsed << " ms";
            EXPECT_DOUBLE_EQ(FrameTimeFactor(), 1.0);
            ++next;
        }
    }
    EXPECT_EQ(next, std::size(checkpoints));
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

TEST(RoundingTest, ValuesOutsideTheIntegerRangeSaturate)
{
    EXPECT_EQ(RoundHalfEven(2147483646.6), 2147483647);
    EXPECT_EQ(RoundHalfEven(1e300), 2147483647);
    EXPECT_EQ(RoundHalfEven(HUGE_VAL), 2147483647);
    EXPECT_EQ(RoundHalfEven(-1e300), -2147483647 - 1);
    EXPECT_EQ(RoundHalfEven(-HUGE_VAL), -2147483647 - 1);
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

}
