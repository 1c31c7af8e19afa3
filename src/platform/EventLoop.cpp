#include "platform/EventLoop.h"

#include <algorithm>
#include <utility>

#include "platform/TickCount.h"

namespace {
// Handles the loop makes itself lie above every X11 resource id (29 bits).
constexpr TWindow FirstLoopHandle = 0x40000000;
constexpr int NoTimeout = -1;

bool MatchesFilter(const TMsg& msg, TWindow window, uint32_t first, uint32_t last)
{
    if (window != 0 && msg.Window != window)
        return false;
    if (first == 0 && last == 0)
        return true;
    return msg.Message >= first && msg.Message <= last;
}
}

TEventLoop::TEventLoop() : NextHandle(FirstLoopHandle), Calls([this] { Wake(); }) {}

TEventLoop::~TEventLoop() = default;

void TEventLoop::RegisterWindow(TWindow window, TWindow parent, TWindowProc proc, std::function<void()> release)
{
    Windows[window] = TWindowEntry{parent, std::move(proc), std::move(release)};
}

TWindow TEventLoop::AllocateHWnd(TWindowProc proc)
{
    const TWindow window = NextHandle++;
    RegisterWindow(window, 0, std::move(proc));
    return window;
}

bool TEventLoop::IsWindow(TWindow window) const { return Windows.contains(window); }

TWindow TEventLoop::GetParent(TWindow window) const
{
    auto found = Windows.find(window);
    return found == Windows.end() ? 0 : found->second.Parent;
}

bool TEventLoop::DestroyWindow(TWindow window)
{
    if (!IsWindow(window) || Destroying.contains(window))
        return false;
    // The window and every descendant, parents before children.
    std::vector<TWindow> family{window};
    for (size_t i = 0; i < family.size(); ++i)
        for (const auto& [child, entry] : Windows)
            if (entry.Parent == family[i] && !Destroying.contains(child))
                family.push_back(child);
    // Marked first, so that a procedure asking for the destruction of its own
    // window again (or a late event for it) starts nothing twice.
    for (TWindow member : family)
        Destroying.insert(member);
    for (TWindow member : family)
        SendMessage(member, WM_DESTROY, 0, 0);
    for (size_t i = family.size(); i-- > 0;) {
        std::function<void()> release;
        if (auto found = Windows.find(family[i]); found != Windows.end())
            release = std::move(found->second.Release);
        Forget(family[i]);
        Destroying.erase(family[i]);
        if (release)
            release();
    }
    return true;
}

void TEventLoop::Forget(TWindow window)
{
    Windows.erase(window);
    Timers.KillAll(window);
    std::lock_guard lock(QueueLock);
    std::erase_if(Queue, [&](const TMsg& msg) { return msg.Window == window; });
}

intptr_t TEventLoop::SendMessage(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    auto found = Windows.find(window);
    if (found == Windows.end() || !found->second.Proc)
        return 0;
    // A copy: the procedure may destroy its own window.
    const TWindowProc proc = found->second.Proc;
    return proc(window, message, wParam, lParam);
}

bool TEventLoop::PostMessage(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    {
        std::lock_guard lock(QueueLock);
        Queue.push_back(TMsg{window, message, wParam, lParam, false});
    }
    Wake();
    return true;
}

void TEventLoop::PostQuitMessage(int exitCode)
{
    std::lock_guard lock(QueueLock);
    QuitPosted = true;
    QuitCode = exitCode;
}

bool TEventLoop::PeekMessage(TMsg& msg, TWindow window, uint32_t first, uint32_t last, bool remove)
{
    std::lock_guard lock(QueueLock);
    auto found = std::find_if(Queue.begin(), Queue.end(),
                              [&](const TMsg& queued) { return MatchesFilter(queued, window, first, last); });
    if (found == Queue.end())
        return false;
    msg = *found;
    if (remove)
        Queue.erase(found);
    return true;
}

bool TEventLoop::TakeReady(TMsg& msg)
{
    {
        std::lock_guard lock(QueueLock);
        if (!Queue.empty()) {
            msg = Queue.front();
            Queue.pop_front();
            return true;
        }
        if (QuitPosted)
            return false;
    }
    if (auto tick = Timers.TakeDue(MonotonicMs(), FiredSinceSleep, WokeAt)) {
        FiredSinceSleep = tick->Interval;
        msg = TMsg{tick->Owner, WM_TIMER, tick->Id, 0, true};
        return true;
    }
    return false;
}

bool TEventLoop::GetMessage(TMsg& msg)
{
    for (;;) {
        if (TerminateRequested.exchange(false)) {
            if (TerminateHandler)
                TerminateHandler();
            else
                PostQuitMessage(0);
            continue;
        }
        if (Calls.RunPending())
            continue;
        PumpSources(false);
        if (TakeReady(msg))
            return true;
        {
            std::lock_guard lock(QueueLock);
            if (QuitPosted) {
                QuitPosted = false;
                msg = TMsg{0, WM_QUIT, static_cast<uintptr_t>(QuitCode), 0, false};
                return false;
            }
        }
        Sleep();
    }
}

void TEventLoop::PumpSources(bool every)
{
    for (IEventSource* source : std::vector<IEventSource*>(Sources)) {
        // A source removed by an earlier one's events is not asked.
        if (std::find(Sources.begin(), Sources.end(), source) == Sources.end())
            continue;
        const int handle = source->WaitHandle();
        bool pump = every || handle < 0 || source->HasQueued();
        for (size_t i = 0; i < SleptOn.size(); ++i) {
            if (SleptOn[i] == handle && Readable[i]) {
                Readable[i] = false;
                pump = true;
            }
        }
        if (pump)
            source->PumpEvents();
    }
}

void TEventLoop::Sleep()
{
    FiredSinceSleep = 0;
    SleptOn.clear();
    for (IEventSource* source : Sources)
        if (source->WaitHandle() >= 0)
            SleptOn.push_back(source->WaitHandle());
    int timeout = NoTimeout;
    if (auto wait = Timers.TimeToNext(MonotonicMs()))
        timeout = static_cast<int>(std::min<uint64_t>(*wait, 60000));
    Waker.Sleep(SleptOn, timeout, Readable);
    WokeAt = MonotonicMs();
}

intptr_t TEventLoop::DispatchMessage(const TMsg& msg)
{
    if (msg.FromTimer) {
        // Stopped after the tick was taken: it must not reach anyone.
        if (!Timers.Exists(msg.Window, msg.WParam))
            return 0;
        if (TTimerProc proc = Timers.Proc(msg.Window, msg.WParam)) {
            proc();
            return 0;
        }
    }
    return SendMessage(msg.Window, msg.Message, msg.WParam, msg.LParam);
}

int TEventLoop::Run()
{
    TMsg msg;
    while (GetMessage(msg))
        DispatchMessage(msg);
    return static_cast<int>(msg.WParam);
}

bool TEventLoop::RunReady()
{
    bool ranAny = false;
    if (TerminateRequested.exchange(false)) {
        ranAny = true;
        if (TerminateHandler)
            TerminateHandler();
        else
            PostQuitMessage(0);
    }
    ranAny |= Calls.RunPending();
    // Without a sleep nobody knows which handles are readable.
    PumpSources(true);
    size_t posted;
    {
        std::lock_guard lock(QueueLock);
        posted = Queue.size();
    }
    TMsg msg;
    for (; posted > 0 && PeekMessage(msg, 0, 0, 0, true); --posted) {
        DispatchMessage(msg);
        ranAny = true;
    }
    const uint64_t now = MonotonicMs();
    std::vector<TTimerTick> due;
    while (auto tick = Timers.TakeDue(now))
        due.push_back(*tick);
    for (const TTimerTick& tick : due) {
        DispatchMessage(TMsg{tick.Owner, WM_TIMER, tick.Id, 0, true});
        ranAny = true;
    }
    return ranAny;
}

bool TEventLoop::SetTimer(TWindow owner, uintptr_t id, uint32_t intervalMs, TTimerProc proc, uint32_t toleranceMs)
{
    if (!IsWindow(owner) && !(owner == 0 && proc))
        return false;
    Timers.Set(owner, id, intervalMs, std::move(proc), MonotonicMs(), toleranceMs);
    return true;
}

bool TEventLoop::KillTimer(TWindow owner, uintptr_t id) { return Timers.Kill(owner, id); }

void TEventLoop::AddEventSource(IEventSource* source)
{
    if (std::find(Sources.begin(), Sources.end(), source) == Sources.end())
        Sources.push_back(source);
}

void TEventLoop::RemoveEventSource(IEventSource* source) { std::erase(Sources, source); }

void TEventLoop::Synchronize(const std::function<void()>& call) { Calls.Call(call); }

void TEventLoop::SetTerminateHandler(std::function<void()> handler) { TerminateHandler = std::move(handler); }

void TEventLoop::RequestTerminate()
{
    TerminateRequested = true;
    Wake();
}

void TEventLoop::Wake() { Waker.Wake(); }

TEventLoop& UiLoop()
{
    static TEventLoop loop;
    return loop;
}
