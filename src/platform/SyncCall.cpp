#include "platform/SyncCall.h"

#include <utility>

TSyncCallQueue::TSyncCallQueue(std::function<void()> wake)
    : Owner(std::this_thread::get_id()), Wake(std::move(wake))
{
}

void TSyncCallQueue::Call(const std::function<void()>& call)
{
    if (OnOwnerThread()) {
        call();
        return;
    }
    TPending pending{&call, nullptr, false};
    std::unique_lock lock(Lock);
    Waiting.push_back(&pending);
    Changed.notify_all();   // a WaitServing on the owner thread sleeps on this
    lock.unlock();
    if (Wake)
        Wake();
    lock.lock();
    Changed.wait(lock, [&] { return pending.Done; });
    if (pending.Error)
        std::rethrow_exception(pending.Error);
}

bool TSyncCallQueue::RunPending()
{
    bool ranAny = false;
    std::unique_lock lock(Lock);
    while (!Waiting.empty()) {
        TPending* pending = Waiting.front();
        Waiting.pop_front();
        lock.unlock();
        try {
            (*pending->Routine)();
        } catch (...) {
            pending->Error = std::current_exception();
        }
        ranAny = true;
        lock.lock();
        pending->Done = true;
        Changed.notify_all();
    }
    return ranAny;
}

void TSyncCallQueue::WaitServing(const std::function<bool()>& done)
{
    while (!done()) {
        std::unique_lock lock(Lock);
        const unsigned seen = Notifications;
        lock.unlock();
        if (RunPending())
            continue;
        if (done())
            return;
        lock.lock();
        Changed.wait(lock, [&] { return !Waiting.empty() || Notifications != seen; });
    }
}

void TSyncCallQueue::Notify()
{
    std::lock_guard lock(Lock);
    ++Notifications;
    Changed.notify_all();
}
