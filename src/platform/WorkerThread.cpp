#include "platform/WorkerThread.h"

#include <SDL.h>

#include <utility>

#include "platform/EventLoop.h"

TWorkerThread::TWorkerThread() : TWorkerThread(UiLoop()) {}

TWorkerThread::TWorkerThread(TEventLoop& loop) : Loop(loop) {}

TWorkerThread::~TWorkerThread() { WaitFor(); }

void TWorkerThread::Start(std::function<void()> body)
{
    if (Started())
        return;
    Thread = std::thread([this, body = std::move(body)] {
        body();
        // SDL keeps per-thread state (its error text) for any thread that
        // calls it, such as a picture decoder; only its own threads free it.
        SDL_TLSCleanup();
        HasFinished = true;
        Loop.SyncCalls().Notify();
    });
}

void TWorkerThread::WaitFor()
{
    if (!Thread.joinable())
        return;
    if (Loop.SyncCalls().OnOwnerThread())
        Loop.SyncCalls().WaitServing([this] { return HasFinished.load(); });
    Thread.join();
}
