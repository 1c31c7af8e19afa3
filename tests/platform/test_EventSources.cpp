#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/EventLoop.h"

// When the loop asks a source with a wait handle for its events (Linux: the
// handles are descriptors the loop polls).
namespace {

class EventSourceTest : public ::testing::Test {
protected:
    TEventLoop Loop;
    std::vector<uint32_t> Log;

    TWindowProc Logger()
    {
        return [this](TWindow, uint32_t message, uintptr_t, intptr_t) -> intptr_t {
            Log.push_back(message);
            return 0;
        };
    }
};

// A connection stand-in: bytes written to a pipe are its events, and it may
// hold some already read.
class TPipeSource : public IEventSource {
public:
    explicit TPipeSource(TEventLoop& loop) : Loop(loop)
    {
        EXPECT_EQ(pipe2(Ends, O_CLOEXEC | O_NONBLOCK), 0);
    }
    ~TPipeSource() override
    {
        close(Ends[0]);
        close(Ends[1]);
    }
    int WaitHandle() const override { return Ends[0]; }
    bool HasQueued() const override { return Queued > 0; }
    void PumpEvents() override
    {
        ++Pumps;
        char byte;
        while (read(Ends[0], &byte, 1) == 1)
            Loop.PostMessage(9, WM_KEYDOWN, static_cast<uintptr_t>(byte), 0);
        for (; Queued > 0; --Queued)
            Loop.PostMessage(9, WM_KEYUP, 0, 0);
    }
    void Send(char byte) const { ASSERT_EQ(write(Ends[1], &byte, 1), 1); }

    TEventLoop& Loop;
    int Ends[2] = {-1, -1};
    int Queued = 0;
    int Pumps = 0;
};

TEST_F(EventSourceTest, ASourceWithAHandleIsPumpedOnlyWhenItCanHaveSomething)
{
    TPipeSource source(Loop);
    Loop.AddEventSource(&source);
    Loop.RegisterWindow(5, 0, Logger());
    ASSERT_TRUE(Loop.SetTimer(5, 1, 1));
    TMsg msg;
    for (int tick = 0; tick < 3; ++tick) {
        ASSERT_TRUE(Loop.GetMessage(msg));
        EXPECT_EQ(msg.Message, WM_TIMER);
    }
    EXPECT_EQ(source.Pumps, 0);

    // Events read already (with a reply, say) are translated before the timer.
    source.Queued = 1;
    ASSERT_TRUE(Loop.GetMessage(msg));
    EXPECT_EQ(msg.Message, WM_KEYUP);
    EXPECT_EQ(source.Pumps, 1);
    Loop.KillTimer(5, 1);

    // Input arriving while the loop sleeps wakes it and is pumped at once.
    std::thread typist([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        source.Send('x');
    });
    ASSERT_TRUE(Loop.GetMessage(msg));
    typist.join();
    EXPECT_EQ(msg.Message, WM_KEYDOWN);
    EXPECT_EQ(msg.WParam, static_cast<uintptr_t>('x'));
    EXPECT_EQ(source.Pumps, 2);
    Loop.RemoveEventSource(&source);
}

TEST_F(EventSourceTest, InputWaitingWhenTheLoopGoesToSleepEndsTheSleepAtOnce)
{
    TPipeSource source(Loop);
    Loop.AddEventSource(&source);
    Loop.RegisterWindow(5, 0, Logger());
    ASSERT_TRUE(Loop.SetTimer(5, 1, 60000));
    source.Send('k');
    TMsg msg;
    ASSERT_TRUE(Loop.GetMessage(msg));
    EXPECT_EQ(msg.Message, WM_KEYDOWN);
    EXPECT_EQ(source.Pumps, 1);
    EXPECT_TRUE(Log.empty());
    Loop.RemoveEventSource(&source);
}

}
