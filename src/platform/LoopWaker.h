#pragma once
#include <cstdint>
#include <vector>

// What the event loop sleeps on: a wake-up that any thread, and a signal
// handler, may give, plus the handles of its event sources. Each window
// system has its own (a pipe and poll on X11; an event object and the
// thread's message queue on Windows).
class TLoopWaker {
public:
    TLoopWaker();
    ~TLoopWaker();
    TLoopWaker(const TLoopWaker&) = delete;
    TLoopWaker& operator=(const TLoopWaker&) = delete;

    // Async-signal-safe. A wake given before the sleep is not lost.
    void Wake();
    // Returns once woken, once one of `handles` is readable, or after
    // timeoutMs (negative: no limit). `readable` says, per handle, whether
    // it was found readable (always false where the handles are not waited on).
    void Sleep(const std::vector<int>& handles, int timeoutMs, std::vector<bool>& readable);

private:
    intptr_t First = -1;
    intptr_t Second = -1;
};
