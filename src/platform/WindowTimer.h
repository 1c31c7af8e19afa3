#pragma once
#include <cstdint>
#include <functional>

#include "platform/Messages.h"

class TEventLoop;

// A timer component on the user-interface loop, in the manner of a form's
// timer: an interval in milliseconds, an enabled switch and a handler. It is
// enabled with an interval of 1000 ms when made, and runs only while it is
// enabled, has a handler and an interval above 0. Changing the interval, the
// tolerance or the handler starts the count again. Switching it off, or
// releasing it, stops it at once: no handler of it runs afterwards. A
// tolerance lets a tick wait that long for the loop to wake for something
// else, so that timers share wake-ups; the timer keeps its interval's rhythm
// all the same.
class TWindowTimer {
public:
    TWindowTimer();   // on UiLoop()
    explicit TWindowTimer(TEventLoop& loop);
    ~TWindowTimer();
    TWindowTimer(const TWindowTimer&) = delete;
    TWindowTimer& operator=(const TWindowTimer&) = delete;

    void SetInterval(uint32_t intervalMs);
    uint32_t Interval() const { return IntervalMs; }
    void SetTolerance(uint32_t toleranceMs);
    void SetEnabled(bool enabled);
    bool Enabled() const { return IsEnabled; }
    void SetOnTimer(std::function<void()> handler);

private:
    void Update();

    static constexpr uint32_t DefaultInterval = 1000;
    static constexpr uintptr_t TimerId = 1;

    TEventLoop& Loop;
    TWindow Handle;
    uint32_t IntervalMs = DefaultInterval;
    uint32_t ToleranceMs = 0;
    bool IsEnabled = true;
    std::function<void()> OnTimer;
};
