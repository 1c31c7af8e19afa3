#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Messages.h"

using TTimerProc = std::function<void()>;

// Which timer fired: its owner window and identifier.
struct TTimerTick {
    TWindow Owner = 0;
    uintptr_t Id = 0;
    uint32_t Interval = 0;
};

// The window timers of one event loop and their rules, apart from any clock:
// - a timer whose time has come fires once, however late the loop is: there is
//   no burst of queued ticks to catch up;
// - its next tick is counted from when it fired;
// - an interval of 0 never fires;
// - setting a timer that exists (same owner and identifier) replaces it and
//   starts its count again;
// - a stopped timer is gone at once, so nothing of it can fire afterwards;
// - a timer given a tolerance may wait that long past its time for the loop
//   to wake for something else, and then keeps its own rhythm: its next tick
//   is counted from when it was due (from when it fired, if that too has
//   passed already).
class TTimerTable {
public:
    void Set(TWindow owner, uintptr_t id, uint32_t intervalMs, TTimerProc proc, uint64_t now,
             uint32_t toleranceMs = 0);
    bool Kill(TWindow owner, uintptr_t id);
    void KillAll(TWindow owner);
    bool Exists(TWindow owner, uintptr_t id) const;
    // The handler given with the timer (empty: the tick goes to the owner's
    // window procedure as WM_TIMER). A copy, so a handler may stop its own timer.
    TTimerProc Proc(TWindow owner, uintptr_t id) const;

    // The due timer that has waited longest, re-armed from `now`. Given
    // `fired`, the interval of a timer that fired since the loop woke at
    // `woke`, another timer of that same interval, armed before then and due
    // within half of it, counts as due: timers of one period that drift
    // apart are brought back into step, so the loop wakes once a period for
    // them all instead of once for each.
    std::optional<TTimerTick> TakeDue(uint64_t now, uint32_t fired = 0, uint64_t woke = 0);
    // Milliseconds until the loop must wake for a timer: the nearest time a
    // timer is due, or for a tolerant one the end of its tolerance (0 when
    // that has come); none when no timer will ever fire.
    std::optional<uint64_t> TimeToNext(uint64_t now) const;

private:
    struct TEntry {
        TWindow Owner;
        uintptr_t Id;
        uint32_t Interval;
        uint32_t Tolerance;
        uint64_t Due;
        uint64_t Order;   // breaks ties between timers due at the same moment
        TTimerProc Proc;
    };

    std::vector<TEntry>::iterator Find(TWindow owner, uintptr_t id);
    std::vector<TEntry>::const_iterator Find(TWindow owner, uintptr_t id) const;

    std::vector<TEntry> Entries;
    uint64_t NextOrder = 0;
};
