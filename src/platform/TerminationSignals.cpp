#include "platform/TerminationSignals.h"

#include <atomic>
#include <csignal>

#include "platform/EventLoop.h"

namespace {
constexpr int EndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<TEventLoop*> SignalledLoop{nullptr};

extern "C" void OnEndingSignal(int)
{
    if (TEventLoop* loop = SignalledLoop.load())
        loop->RequestTerminate();
}
}

void InstallTerminationSignals(TEventLoop& loop)
{
    SignalledLoop = &loop;
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : EndingSignals)
        sigaction(signal, &action, nullptr);
}

void RemoveTerminationSignals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : EndingSignals)
        sigaction(signal, &action, nullptr);
    SignalledLoop = nullptr;
}
