#include "platform/LoopWaker.h"

#include "platform/win32/Windows.h"

// First is an auto-reset event; the thread's own message queue wakes the
// sleep as well, so window messages are served as soon as they arrive.
TLoopWaker::TLoopWaker() { First = reinterpret_cast<intptr_t>(CreateEventW(nullptr, FALSE, FALSE, nullptr)); }

TLoopWaker::~TLoopWaker()
{
    if (First)
        CloseHandle(reinterpret_cast<HANDLE>(First));
}

void TLoopWaker::Wake()
{
    if (First)
        SetEvent(reinterpret_cast<HANDLE>(First));
}

void TLoopWaker::Sleep(const std::vector<int>& handles, int timeoutMs, std::vector<bool>& readable)
{
    readable.assign(handles.size(), false);
    HANDLE event = reinterpret_cast<HANDLE>(First);
    const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    MsgWaitForMultipleObjectsEx(event ? 1 : 0, event ? &event : nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}
