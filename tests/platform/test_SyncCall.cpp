#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/WorkerThread.h"

namespace {

TEST(SyncCall, RunsOnTheLoopThreadWhileTheCallerWaits)
{
    TEventLoop loop;
    const auto uiThread = std::this_thread::get_id();
    std::vector<std::thread::id> ranOn;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            loop.Synchronize([&] { ranOn.push_back(std::this_thread::get_id()); });
        loop.PostQuitMessage(0);
        loop.Wake();
    });
    loop.Run();
    worker.join();
    EXPECT_EQ(ranOn, (std::vector<std::thread::id>(3, uiThread)));
}

TEST(SyncCall, OnTheLoopThreadRunsAtOnceAndErrorsReachTheCaller)
{
    TEventLoop loop;
    bool ran = false;
    loop.Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);

    std::string caught;
    TWorkerThread worker(loop);
    worker.Start([&] {
        try {
            loop.Synchronize([] { throw std::runtime_error("hand-over failed"); });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
    });
    worker.WaitFor();
    EXPECT_EQ(caught, "hand-over failed");
}

TEST(SyncCall, WaitingForAThreadKeepsServingItsCalls)
{
    TEventLoop loop;
    int served = 0;
    TWorkerThread worker(loop);
    EXPECT_FALSE(worker.Started());
    worker.WaitFor();   // never started: returns at once
    worker.Start([&] {
        for (int i = 0; i < 25; ++i)
            loop.Synchronize([&] { ++served; });
    });
    worker.WaitFor();   // would never return if the calls were not served here
    EXPECT_TRUE(worker.Finished());
    EXPECT_EQ(served, 25);
}

}
