#pragma once
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// Synchronous calls from other threads onto the user-interface thread: the
// calling thread hands over a routine and waits until the user-interface
// thread has run it. The user-interface thread runs waiting calls from its
// event loop and also wherever it itself waits for another thread, because a
// worker that is blocked in a call would otherwise never end.
class TSyncCallQueue {
public:
    // `wake` tells the user-interface loop that a call is waiting; it is
    // called from the calling thread. The thread that makes the queue is the
    // user-interface thread.
    explicit TSyncCallQueue(std::function<void()> wake);
    TSyncCallQueue(const TSyncCallQueue&) = delete;
    TSyncCallQueue& operator=(const TSyncCallQueue&) = delete;

    // Runs `call` on the user-interface thread and returns when it has run.
    // On the user-interface thread itself it simply runs it. An exception
    // thrown by the call is raised again in the caller.
    void Call(const std::function<void()>& call);

    // User-interface thread: runs every waiting call in order; whether any ran.
    bool RunPending();

    // User-interface thread: waits until `done` answers true, running the
    // calls that arrive meanwhile. `done` is asked again after each call and
    // after every Notify.
    void WaitServing(const std::function<bool()>& done);

    // Something a WaitServing condition looks at has changed (a thread ended).
    void Notify();

    bool OnOwnerThread() const { return std::this_thread::get_id() == Owner; }

private:
    struct TPending {
        const std::function<void()>* Routine;
        std::exception_ptr Error;
        bool Done = false;
    };

    std::thread::id Owner;
    std::function<void()> Wake;
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<TPending*> Waiting;
    unsigned Notifications = 0;
};
