#include "platform/TimerTable.h"

#include <algorithm>
#include <utility>

std::vector<TTimerTable::TEntry>::iterator TTimerTable::Find(TWindow owner, uintptr_t id)
{
    return std::find_if(Entries.begin(), Entries.end(),
                        [&](const TEntry& entry) { return entry.Owner == owner && entry.Id == id; });
}

std::vector<TTimerTable::TEntry>::const_iterator TTimerTable::Find(TWindow owner, uintptr_t id) const
{
    return std::find_if(Entries.begin(), Entries.end(),
                        [&](const TEntry& entry) { return entry.Owner == owner && entry.Id == id; });
}

void TTimerTable::Set(TWindow owner, uintptr_t id, uint32_t intervalMs, TTimerProc proc, uint64_t now,
                      uint32_t toleranceMs)
{
    TEntry entry{owner, id, intervalMs, toleranceMs, now + intervalMs, NextOrder++, std::move(proc)};
    if (auto found = Find(owner, id); found != Entries.end())
        *found = std::move(entry);
    else
        Entries.push_back(std::move(entry));
}

bool TTimerTable::Kill(TWindow owner, uintptr_t id)
{
    auto found = Find(owner, id);
    if (found == Entries.end())
        return false;
    Entries.erase(found);
    return true;
}

void TTimerTable::KillAll(TWindow owner)
{
    std::erase_if(Entries, [&](const TEntry& entry) { return entry.Owner == owner; });
}

bool TTimerTable::Exists(TWindow owner, uintptr_t id) const { return Find(owner, id) != Entries.end(); }

TTimerProc TTimerTable::Proc(TWindow owner, uintptr_t id) const
{
    auto found = Find(owner, id);
    return found == Entries.end() ? TTimerProc{} : found->Proc;
}

std::optional<TTimerTick> TTimerTable::TakeDue(uint64_t now, uint32_t fired, uint64_t woke)
{
    TEntry* first = nullptr;
    for (auto& entry : Entries) {
        const bool inStep = fired != 0 && entry.Interval == fired && entry.Due - entry.Interval < woke
            && entry.Due <= now + fired / 2;
        if (entry.Interval == 0 || (entry.Due > now && !inStep))
            continue;
        if (!first || entry.Due < first->Due || (entry.Due == first->Due && entry.Order < first->Order))
            first = &entry;
    }
    if (!first)
        return std::nullopt;
    // A tolerant timer that waited for a wake-up must not fall behind for it;
    // one late by more than a period must not burst to catch up.
    const bool keepsRhythm = first->Tolerance > 0 && first->Due + first->Interval > now;
    first->Due = (keepsRhythm ? first->Due : now) + first->Interval;
    first->Order = NextOrder++;
    return TTimerTick{first->Owner, first->Id, first->Interval};
}

std::optional<uint64_t> TTimerTable::TimeToNext(uint64_t now) const
{
    std::optional<uint64_t> next;
    for (const auto& entry : Entries) {
        if (entry.Interval == 0)
            continue;
        const uint64_t latest = entry.Due + entry.Tolerance;
        const uint64_t wait = latest > now ? latest - now : 0;
        if (!next || wait < *next)
            next = wait;
    }
    return next;
}
