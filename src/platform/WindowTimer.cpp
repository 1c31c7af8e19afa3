#include "platform/WindowTimer.h"

#include <utility>

#include "platform/EventLoop.h"

TWindowTimer::TWindowTimer() : TWindowTimer(UiLoop()) {}

TWindowTimer::TWindowTimer(TEventLoop& loop)
    : Loop(loop), Handle(loop.AllocateHWnd([this](TWindow, uint32_t message, uintptr_t, intptr_t) -> intptr_t {
          if (message == WM_TIMER && OnTimer) {
              // A copy: the handler may replace itself or switch the timer off.
              const auto handler = OnTimer;
              handler();
          }
          return 0;
      }))
{
}

TWindowTimer::~TWindowTimer() { Loop.DestroyWindow(Handle); }

void TWindowTimer::SetInterval(uint32_t intervalMs)
{
    if (intervalMs == IntervalMs)
        return;
    IntervalMs = intervalMs;
    Update();
}

void TWindowTimer::SetTolerance(uint32_t toleranceMs)
{
    if (toleranceMs == ToleranceMs)
        return;
    ToleranceMs = toleranceMs;
    Update();
}

void TWindowTimer::SetEnabled(bool enabled)
{
    if (enabled == IsEnabled)
        return;
    IsEnabled = enabled;
    Update();
}

void TWindowTimer::SetOnTimer(std::function<void()> handler)
{
    OnTimer = std::move(handler);
    Update();
}

void TWindowTimer::Update()
{
    Loop.KillTimer(Handle, TimerId);
    if (IsEnabled && IntervalMs > 0 && OnTimer)
        Loop.SetTimer(Handle, TimerId, IntervalMs, {}, ToleranceMs);
}
