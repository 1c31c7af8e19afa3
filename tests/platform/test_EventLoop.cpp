#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/EventLoop.h"

namespace {

struct TLogged {
    TWindow Window;
    uint32_t Message;
    friend bool operator==(const TLogged&, const TLogged&) = default;
};

class EventLoopTest : public ::testing::Test {
protected:
    TEventLoop Loop;
    std::vector<TLogged> Log;

    TWindowProc Logger()
    {
        return [this](TWindow window, uint32_t message, uintptr_t, intptr_t) -> intptr_t {
            Log.push_back({window, message});
            return 0;
        };
    }
};

TEST_F(EventLoopTest, PostedMessagesComeInOrderAndQuitOnlyAfterThem)
{
    Loop.RegisterWindow(10, 0, Logger());
    Loop.PostMessage(10, WM_USER, 0, 0);
    Loop.PostQuitMessage(3);
    Loop.PostMessage(10, WM_USER + 1, 0, 0);
    EXPECT_EQ(Loop.Run(), 3);
    EXPECT_EQ(Log, (std::vector<TLogged>{{10, WM_USER}, {10, WM_USER + 1}}));
}

TEST_F(EventLoopTest, PeekFiltersByWindowAndRangeAndRemovesOnlyWhenAsked)
{
    Loop.PostMessage(1, WM_TIMER, 1, 0);
    Loop.PostMessage(2, WM_TIMER, 1, 0);
    Loop.PostMessage(2, WM_CLOSE, 0, 0);
    TMsg msg;
    EXPECT_TRUE(Loop.PeekMessage(msg, 2, WM_TIMER, WM_TIMER, false));
    int removed = 0;
    while (Loop.PeekMessage(msg, 2, WM_TIMER, WM_TIMER, true))
        ++removed;
    EXPECT_EQ(removed, 1);
    ASSERT_TRUE(Loop.PeekMessage(msg, 0, 0, 0, true));
    EXPECT_EQ(msg.Window, 1u);
    ASSERT_TRUE(Loop.PeekMessage(msg, 0, 0, 0, true));
    EXPECT_EQ(msg.Message, WM_CLOSE);
}

TEST_F(EventLoopTest, DestroyReachesParentThenChildrenOnceAndDropsTheirMessages)
{
    int releases = 0;
    Loop.RegisterWindow(1, 0, [&](TWindow window, uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        Log.push_back({window, message});
        if (message == WM_DESTROY) {
            EXPECT_FALSE(Loop.DestroyWindow(1));   // asked again from inside: nothing twice
        }
        return 0;
    }, [&] { ++releases; });
    Loop.RegisterWindow(2, 1, Logger(), [&] { ++releases; });
    Loop.RegisterWindow(3, 2, Logger(), [&] { ++releases; });
    Loop.PostMessage(3, WM_CLOSE, 0, 0);

    EXPECT_TRUE(Loop.DestroyWindow(1));
    EXPECT_EQ(Log, (std::vector<TLogged>{{1, WM_DESTROY}, {2, WM_DESTROY}, {3, WM_DESTROY}}));
    EXPECT_EQ(releases, 3);
    EXPECT_FALSE(Loop.IsWindow(3));
    EXPECT_FALSE(Loop.DestroyWindow(1));
    TMsg msg;
    EXPECT_FALSE(Loop.PeekMessage(msg, 0, 0, 0, false));
    EXPECT_EQ(Loop.SendMessage(2, WM_USER, 0, 0), 0);
}

TEST_F(EventLoopTest, SleepsUntilTheNextTimerAndWakesForAMessageFromAnotherThread)
{
    Loop.RegisterWindow(5, 0, Logger());
    ASSERT_TRUE(Loop.SetTimer(5, 1, 15));
    TMsg msg;
    ASSERT_TRUE(Loop.GetMessage(msg));
    EXPECT_EQ(msg.Message, WM_TIMER);
    Loop.KillTimer(5, 1);

    // No timer left: only the post from the other thread can end this wait.
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Loop.PostMessage(5, WM_USER, 0, 0);
    });
    ASSERT_TRUE(Loop.GetMessage(msg));
    poster.join();
    EXPECT_EQ(msg.Message, WM_USER);
}

TEST_F(EventLoopTest, TerminateRequestRunsTheHandlerOnTheLoopOrQuitsWithZero)
{
    Loop.RequestTerminate();
    EXPECT_EQ(Loop.Run(), 0);

    Loop.RegisterWindow(1, 0, Logger());
    Loop.SetTerminateHandler([&] {
        Loop.DestroyWindow(1);
        Loop.PostQuitMessage(0);
    });
    Loop.RequestTerminate();
    EXPECT_EQ(Loop.Run(), 0);
    EXPECT_EQ(Log, (std::vector<TLogged>{{1, WM_DESTROY}}));
}

class TFakeSource : public IEventSource {
public:
    explicit TFakeSource(TEventLoop& loop) : Loop(loop) {}
    int WaitHandle() const override { return -1; }
    void PumpEvents() override
    {
        ++Pumps;
        if (Pending > 0) {
            --Pending;
            Loop.PostMessage(9, WM_KEYDOWN, VK_ESCAPE, 0);
        }
    }
    TEventLoop& Loop;
    int Pending = 0;
    int Pumps = 0;
};

TEST_F(EventLoopTest, SourcesArePumpedBeforeTheLoopSleeps)
{
    TFakeSource source(Loop);
    Loop.AddEventSource(&source);
    Loop.AddEventSource(&source);
    source.Pending = 2;
    TMsg msg;
    ASSERT_TRUE(Loop.GetMessage(msg));
    EXPECT_EQ(msg.Message, WM_KEYDOWN);
    EXPECT_EQ(msg.WParam, VK_ESCAPE);
    EXPECT_EQ(source.Pumps, 1);
    Loop.RemoveEventSource(&source);
    EXPECT_FALSE(Loop.RunReady() && source.Pumps > 1);
}

TEST(MessageParams, PointsKeepTheirSignThroughTheSecondParameter)
{
    EXPECT_EQ(PointFromParam(MakePointParam(-3, 1200)), (TPoint{-3, 1200}));
    EXPECT_EQ(PointFromParam(MakePointParam(32767, -32768)), (TPoint{32767, -32768}));
}

}
