#include "platform/WorkerThread.h"

#include <utility>

#include "platform/BmpFile.h"
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
        // The bitmap reader may keep per-thread state for a thread that
        // decoded pictures; the thread that made it frees it.
        ReleaseBmpThreadState();
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
