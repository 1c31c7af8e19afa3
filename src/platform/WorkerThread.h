#pragma once
#include <atomic>
#include <functional>
#include <thread>

class TEventLoop;

// A thread whose end the user-interface thread can wait for without
// deadlock: while it waits it keeps running the synchronous calls the thread
// makes (TEventLoop::Synchronize), so a thread blocked in such a call can go on
// and end.
class TWorkerThread {
public:
    TWorkerThread();   // on UiLoop()
    explicit TWorkerThread(TEventLoop& loop);
    // Waits for the thread, as WaitFor does.
    ~TWorkerThread();
    TWorkerThread(const TWorkerThread&) = delete;
    TWorkerThread& operator=(const TWorkerThread&) = delete;

    // Starts `body` on a new thread; once only.
    void Start(std::function<void()> body);
    bool Started() const { return Thread.joinable() || HasFinished; }
    bool Finished() const { return HasFinished; }
    // Returns once the thread has ended (at once when it never started).
    void WaitFor();

private:
    TEventLoop& Loop;
    std::thread Thread;
    std::atomic<bool> HasFinished{false};
};
