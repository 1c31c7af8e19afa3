#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ManualClock.h"
#include "platform/EventLoop.h"
#include "platform/TimerTable.h"
#include "platform/WindowTimer.h"

namespace {

class WindowTimers : public ::testing::Test {
protected:
    TManualClock Clock;
    TEventLoop Loop;
    std::vector<std::string> Fired;

    TTimerProc Record(std::string name)
    {
        return [this, name] { Fired.push_back(name); };
    }
};

TEST_F(WindowTimers, LateTimerFiresOnceAndCountsOnFromWhenItFired)
{
    ASSERT_TRUE(Loop.SetTimer(0, 1, 40, Record("a")));
    Clock.Advance(39);
    Loop.RunReady();
    EXPECT_TRUE(Fired.empty());

    Clock.Advance(1000);   // 25 periods late: still a single tick
    Loop.RunReady();
    Loop.RunReady();
    EXPECT_EQ(Fired.size(), 1u);

    Clock.Advance(39);     // 39 ms after it fired, not after it was due
    Loop.RunReady();
    EXPECT_EQ(Fired.size(), 1u);
    Clock.Advance(1);
    Loop.RunReady();
    EXPECT_EQ(Fired.size(), 2u);
}

TEST_F(WindowTimers, IntervalZeroNeverFiresAndSettingAgainRestartsTheCount)
{
    Loop.SetTimer(0, 1, 0, Record("zero"));
    Loop.SetTimer(0, 2, 50, Record("b"));
    Clock.Advance(40);
    Loop.SetTimer(0, 2, 50, Record("b"));   // counted from here again
    Clock.Advance(40);
    Loop.RunReady();
    EXPECT_TRUE(Fired.empty());
    Clock.Advance(10);
    Clock.Advance(1000000);
    Loop.RunReady();
    EXPECT_EQ(Fired, (std::vector<std::string>{"b"}));
}

TEST_F(WindowTimers, DueTimersTakeTurnsByHowLongTheyWaited)
{
    Loop.SetTimer(0, 1, 30, Record("slow"));
    Loop.SetTimer(0, 2, 10, Record("fast"));
    Clock.Advance(100);
    Loop.RunReady();
    EXPECT_EQ(Fired, (std::vector<std::string>{"fast", "slow"}));
}

TEST_F(WindowTimers, StoppedTimerNeverRunsAgainEvenWithATickAlreadyTaken)
{
    Loop.SetTimer(0, 1, 10, [&] {
        Fired.push_back("first");
        Loop.KillTimer(0, 2);   // due at the same moment, taken in the same pass
    });
    Loop.SetTimer(0, 2, 10, Record("second"));
    Clock.Advance(10);
    Loop.RunReady();
    EXPECT_EQ(Fired, (std::vector<std::string>{"first"}));

    Loop.KillTimer(0, 1);
    Loop.SetTimer(0, 3, 10, Record("third"));
    Clock.Advance(20);
    TMsg tick;
    ASSERT_TRUE(Loop.GetMessage(tick));
    ASSERT_TRUE(tick.FromTimer);
    Loop.KillTimer(0, 3);
    Loop.DispatchMessage(tick);
    EXPECT_EQ(Fired, (std::vector<std::string>{"first"}));
}

TEST_F(WindowTimers, TickWithoutHandlerIsWmTimerToTheOwnerAndEndsWithIt)
{
    std::vector<uintptr_t> ids;
    const TWindow owner = Loop.AllocateHWnd([&](TWindow, uint32_t message, uintptr_t wParam, intptr_t) -> intptr_t {
        if (message == WM_TIMER)
            ids.push_back(wParam);
        return 0;
    });
    EXPECT_FALSE(Loop.SetTimer(owner + 1, 1, 10));   // no such window
    ASSERT_TRUE(Loop.SetTimer(owner, 7, 10));
    Clock.Advance(10);
    Loop.RunReady();
    EXPECT_EQ(ids, (std::vector<uintptr_t>{7}));

    Loop.DestroyWindow(owner);
    Clock.Advance(100);
    EXPECT_FALSE(Loop.RunReady());
    EXPECT_EQ(ids.size(), 1u);
}

TEST(TimerTable, TimersOfOnePeriodFallIntoStepWhileOthersKeepTheirOwn)
{
    // A frame timer, a second timer of the same period 13 ms behind it, and
    // one of another period; the loop wakes when the next one is due.
    TTimerTable table;
    table.Set(1, 1, 40, {}, 0);
    table.Set(1, 2, 40, {}, 13);
    table.Set(1, 3, 50, {}, 0);
    const auto take = [&](uint64_t now, uint32_t fired, uint64_t woke) {
        const auto tick = table.TakeDue(now, fired, woke);
        return tick ? tick->Id : uintptr_t{0};
    };
    // Woken at 40 for the first; once it ran (3 ms), the second is close
    // enough to come along, the other period is not, and nothing fires twice.
    EXPECT_EQ(take(40, 0, 40), 1u);
    EXPECT_EQ(take(43, 40, 40), 2u);
    EXPECT_EQ(take(43, 40, 40), 0u);
    EXPECT_EQ(take(50, 0, 50), 3u);
    // From now on the two wake the loop together, each still 40 ms after it
    // last fired; the third keeps its 50 ms.
    EXPECT_EQ(table.TimeToNext(50), 30u);
    EXPECT_EQ(take(80, 0, 80), 1u);
    EXPECT_EQ(take(81, 40, 80), 2u);
    EXPECT_EQ(take(81, 40, 80), 0u);
    EXPECT_EQ(table.TimeToNext(81), 19u);
    // A timer whose handler ran long is not taken again before its time.
    EXPECT_EQ(take(100, 0, 100), 3u);
    EXPECT_EQ(take(120, 0, 120), 1u);
    EXPECT_EQ(take(145, 40, 120), 2u);
    EXPECT_EQ(take(145, 40, 120), 0u);
    EXPECT_EQ(take(150, 50, 120), 3u);
    EXPECT_EQ(take(150, 50, 120), 0u);
}

TEST(TimerTable, TolerantTimerRidesOnOtherWakeUpsAndKeepsItsRhythm)
{
    // A 40 ms frame timer and a 50 ms timer that may wait 40 ms: over two
    // seconds the loop wakes only for the frames, and the other still fires
    // once per 50 ms, never before its time nor more than 40 ms after it.
    TTimerTable table;
    table.Set(1, 1, 40, {}, 0);
    table.Set(1, 2, 50, {}, 0, 40);
    uint64_t now = 0;
    int wakes = 0, frames = 0, blows = 0;
    while (now < 2000) {
        now += *table.TimeToNext(now);
        ++wakes;
        while (auto tick = table.TakeDue(now)) {
            if (tick->Id == 1) {
                ++frames;
                continue;
            }
            ++blows;
            const uint64_t due = 50 * static_cast<uint64_t>(blows);
            EXPECT_GE(now, due);
            EXPECT_LE(now, due + 40);
        }
    }
    EXPECT_EQ(wakes, frames);
    EXPECT_EQ(frames, 50);
    EXPECT_GE(blows, 39);
    EXPECT_LE(blows, 40);

    // Alone it wakes the loop itself at the end of its tolerance; a loop
    // later than a whole period gets one tick, not a burst.
    TTimerTable alone;
    alone.Set(1, 3, 50, {}, 0, 40);
    EXPECT_EQ(alone.TimeToNext(0), 90u);
    EXPECT_TRUE(alone.TakeDue(90));
    EXPECT_EQ(alone.TimeToNext(90), 50u);
    EXPECT_TRUE(alone.TakeDue(400));
    EXPECT_FALSE(alone.TakeDue(400));
    EXPECT_EQ(alone.TimeToNext(400), 90u);
}

TEST(TickCount, WrapsAroundAt32BitsAndDifferencesSurviveTheWrap)
{
    TManualClock clock((uint64_t{1} << 32) - 10);
    const uint32_t before = GetTickCount();
    EXPECT_EQ(before, 0xFFFFFFF6u);
    clock.Advance(25);
    EXPECT_EQ(GetTickCount(), 15u);
    EXPECT_EQ(static_cast<int32_t>(GetTickCount() - before), 25);
}

class TimerComponent : public WindowTimers {};

TEST_F(TimerComponent, RunsOnlyWhileEnabledWithHandlerAndInterval)
{
    TWindowTimer timer(Loop);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    Clock.Advance(5000);
    Loop.RunReady();   // no handler yet: nothing to run

    int ticks = 0;
    timer.SetOnTimer([&] { ++ticks; });
    timer.SetInterval(0);
    Clock.Advance(5000);
    Loop.RunReady();
    EXPECT_EQ(ticks, 0);

    timer.SetInterval(40);
    Clock.Advance(40);
    Loop.RunReady();
    EXPECT_EQ(ticks, 1);

    timer.SetEnabled(false);
    Clock.Advance(400);
    Loop.RunReady();
    EXPECT_EQ(ticks, 1);

    timer.SetEnabled(true);   // the count starts when it is switched on
    Clock.Advance(39);
    Loop.RunReady();
    EXPECT_EQ(ticks, 1);
    Clock.Advance(1);
    Loop.RunReady();
    EXPECT_EQ(ticks, 2);
}

TEST_F(TimerComponent, TolerantTimerCountsFromWhenItWasDue)
{
    TWindowTimer timer(Loop);
    int ticks = 0;
    timer.SetOnTimer([&] { ++ticks; });
    timer.SetInterval(50);
    timer.SetTolerance(40);
    Clock.Advance(80);   // run 30 ms late, as on another timer's wake-up
    Loop.RunReady();
    EXPECT_EQ(ticks, 1);
    Clock.Advance(20);   // 100: its next time, not 50 ms after it fired
    Loop.RunReady();
    EXPECT_EQ(ticks, 2);
}

TEST_F(TimerComponent, HandlerMaySwitchOffOrReleaseItsOwnTimer)
{
    auto first = std::make_unique<TWindowTimer>(Loop);
    TWindowTimer second(Loop);
    int secondTicks = 0;
    first->SetInterval(10);
    second.SetInterval(10);
    first->SetOnTimer([&] { first.reset(); });
    second.SetOnTimer([&] {
        ++secondTicks;
        second.SetEnabled(false);
    });
    Clock.Advance(10);
    Loop.RunReady();
    EXPECT_EQ(first, nullptr);
    Clock.Advance(1000);
    Loop.RunReady();
    EXPECT_EQ(secondTicks, 1);
}

}
