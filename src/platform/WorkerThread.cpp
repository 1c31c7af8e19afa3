#include "platform/WorkerThread.h"

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
