#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/LoopWaker.h"
#include "platform/Messages.h"
#include "platform/SyncCall.h"
#include "platform/TimerTable.h"

using TWindowProc = std::function<intptr_t(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)>;

// Something outside the loop that produces events: the window system's
// connection, the SDL event queue. The loop sleeps on its handle and asks it
// to translate what arrived into messages (posted or sent).
//
// Asking costs system calls even when nothing came, so a source with a
// handle is pumped only when there can be something: its handle was found
// readable when the loop last woke, or it holds events already read (a
// reply waited for meanwhile brings the events sent before it along). A
// source leaves no request of its own unsent, since nothing else flushes it.
class IEventSource {
public:
    virtual ~IEventSource() = default;
    // A descriptor that becomes readable when events arrive; -1 when the
    // source has none (it is then pumped on every pass of the loop).
    virtual int WaitHandle() const = 0;
    // Whether events already read wait to be translated; it reads nothing.
    virtual bool HasQueued() const { return false; }
    // Translates every event that has arrived. Called on the loop's thread.
    virtual void PumpEvents() = 0;
};

// The user-interface loop: windows with their procedures, posted messages,
// window timers, synchronous calls from other threads and the events of the
// registered sources, dispatched one at a time on one thread, so no two
// handlers ever overlap. It sleeps until the next timer is due or something
// arrives; it never spins.
//
// Order of service in each pass: synchronous calls, then posted messages in
// the order they were posted, then (once nothing is posted) the timer that
// has waited longest. The quit message comes once nothing is posted any more.
class TEventLoop {
public:
    // The thread that makes the loop is its user-interface thread.
    TEventLoop();
    ~TEventLoop();
    TEventLoop(const TEventLoop&) = delete;
    TEventLoop& operator=(const TEventLoop&) = delete;

    // Windows. `release` runs once when the window goes by DestroyWindow,
    // after WM_DESTROY; it frees the window system's side.
    void RegisterWindow(TWindow window, TWindow parent, TWindowProc proc, std::function<void()> release = {});
    // A window that only receives messages and timer ticks (for components
    // such as timers); it is freed with DestroyWindow.
    TWindow AllocateHWnd(TWindowProc proc);
    bool IsWindow(TWindow window) const;
    TWindow GetParent(TWindow window) const;
    // Sends WM_DESTROY to the window and then to its children (deepest last),
    // frees them, stops their timers and drops their posted messages.
    bool DestroyWindow(TWindow window);
    // Calls the window's procedure now; 0 for an unknown window.
    intptr_t SendMessage(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);
    // From any thread.
    bool PostMessage(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);
    void PostQuitMessage(int exitCode);

    // The posted message of `window` (0: any) numbered first..last (both 0:
    // any), oldest first; taken out of the queue when `remove`.
    bool PeekMessage(TMsg& msg, TWindow window, uint32_t first, uint32_t last, bool remove);
    // Waits for the next message; false once the quit message is taken.
    bool GetMessage(TMsg& msg);
    intptr_t DispatchMessage(const TMsg& msg);
    // GetMessage and DispatchMessage until quit; returns the quit code.
    int Run();
    // Dispatches everything that is ready now without sleeping: synchronous
    // calls, posted messages and due timers (each at most once). Whether
    // anything ran. The quit message stays for GetMessage.
    bool RunReady();

    // Window timers. Without `proc` a tick is WM_TIMER (first parameter the
    // identifier) to the owner's procedure; with it, `proc` runs instead.
    // A tick may wait up to `toleranceMs` for the loop to wake anyway (see
    // TTimerTable).
    bool SetTimer(TWindow owner, uintptr_t id, uint32_t intervalMs, TTimerProc proc = {}, uint32_t toleranceMs = 0);
    bool KillTimer(TWindow owner, uintptr_t id);

    void AddEventSource(IEventSource* source);
    void RemoveEventSource(IEventSource* source);

    // Synchronous calls (see TSyncCallQueue): from any thread.
    void Synchronize(const std::function<void()>& call);
    TSyncCallQueue& SyncCalls() { return Calls; }

    // An end requested from outside (a signal): the handler runs on the loop's
    // thread at its next pass; without one the loop quits with code 0.
    void SetTerminateHandler(std::function<void()> handler);
    // Async-signal-safe.
    void RequestTerminate();
    // Async-signal-safe: makes a sleeping loop look again.
    void Wake();

private:
    struct TWindowEntry {
        TWindow Parent;
        TWindowProc Proc;
        std::function<void()> Release;
    };

    bool TakeReady(TMsg& msg);
    // Pumps the sources that can have something (all of them when `every`).
    void PumpSources(bool every);
    void Sleep();
    void Forget(TWindow window);

    std::map<TWindow, TWindowEntry> Windows;
    std::set<TWindow> Destroying;
    TWindow NextHandle;
    TTimerTable Timers;
    // When the loop last woke, and the interval of the last timer that fired
    // since (0: none): the host's timer and the frame timer share one period
    // and, kept in step, wake the loop once per frame.
    uint64_t WokeAt = 0;
    uint32_t FiredSinceSleep = 0;
    std::vector<IEventSource*> Sources;
    // The handles the last sleep waited on, and which of them it found
    // readable: those sources are pumped at the next pass.
    std::vector<int> SleptOn;
    std::vector<bool> Readable;
    std::function<void()> TerminateHandler;

    mutable std::mutex QueueLock;
    std::deque<TMsg> Queue;
    bool QuitPosted = false;
    int QuitCode = 0;

    std::atomic<bool> TerminateRequested{false};
    TLoopWaker Waker;
    TSyncCallQueue Calls;
};

// The process's one user-interface loop, made on first use, which must be on
// the user-interface thread.
TEventLoop& UiLoop();
