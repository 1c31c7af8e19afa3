#include "HostTestSupport.h"
#include "../platform/ManualClock.h"

namespace {

using HostTimer = HostRules;

TEST_F(HostTimer, StartsOnlyWithOnTimerAndAPositiveIntervalAndKeepsThePlatformsAnswer)
{
    Platform.Loop.RegisterWindow(Window, 0, HostWindowProc);
    StartHostTimer(Window);
    EXPECT_TRUE(TimerActive);
    EXPECT_EQ(Platform.Calls.back(), "SetTimer 1 40");

    Platform.TimerAccepted = false;
    StartHostTimer(Window);
    EXPECT_FALSE(TimerActive);

    Platform.Calls.clear();
    HostCallbacks.TimerInterval = 0;
    StartHostTimer(Window);
    HostCallbacks.TimerInterval = 40;
    HostCallbacks.OnTimer = nullptr;
    StartHostTimer(Window);
    EXPECT_FALSE(TimerActive);
    EXPECT_TRUE(Platform.Calls.empty());
}

TEST_F(HostTimer, StopPurgesWaitingTicksSoNoOnTimerFollowsOnDestroy)
{
    TManualClock clock;
    Platform.Loop.RegisterWindow(Window, 0, HostWindowProc);
    StartHostTimer(Window);
    clock.Advance(40);
    TMsg tick;
    ASSERT_TRUE(Platform.Loop.GetMessage(tick));   // a tick taken but not yet dispatched
    ASSERT_EQ(tick.Message, WM_TIMER);
    Platform.Loop.PostMessage(Window, WM_TIMER, HostTimerId, 0);
    Platform.Loop.PostMessage(Window, WM_TIMER, HostTimerId, 0);

    Platform.Loop.DestroyWindow(Window);
    EXPECT_FALSE(TimerActive);
    Platform.Loop.DispatchMessage(tick);
    clock.Advance(400);
    Platform.Loop.RunReady();
    EXPECT_EQ(CallbackLog, (std::vector<std::string>{"OnDestroy 3"}));
    TMsg left;
    EXPECT_FALSE(Platform.Loop.PeekMessage(left, 0, WM_TIMER, WM_TIMER, false));
}

TEST_F(HostTimer, StoppingATimerThatNeverRanDoesNothing)
{
    StopHostTimer(Window);
    EXPECT_TRUE(Platform.Calls.empty());
}

}
