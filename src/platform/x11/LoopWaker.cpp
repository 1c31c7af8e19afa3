#include "platform/LoopWaker.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

TLoopWaker::TLoopWaker()
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        First = ends[0];
        Second = ends[1];
    }
}

TLoopWaker::~TLoopWaker()
{
    if (First >= 0)
        close(static_cast<int>(First));
    if (Second >= 0)
        close(static_cast<int>(Second));
}

void TLoopWaker::Wake()
{
    if (Second >= 0) {
        const char one = 1;
        // A full pipe already wakes the loop; nothing else can go wrong here.
        [[maybe_unused]] const auto written = write(static_cast<int>(Second), &one, 1);
    }
}

void TLoopWaker::Sleep(const std::vector<int>& handles, int timeoutMs, std::vector<bool>& readable)
{
    std::vector<pollfd> polled;
    for (int handle : handles)
        polled.push_back({handle, POLLIN, 0});
    if (First >= 0)
        polled.push_back({static_cast<int>(First), POLLIN, 0});
    const bool woken = poll(polled.data(), polled.size(), timeoutMs) > 0;
    readable.assign(handles.size(), false);
    // A hung-up or broken connection counts as readable: its source then
    // reads and finds out.
    for (size_t i = 0; woken && i < handles.size(); ++i)
        readable[i] = polled[i].revents != 0;
    if (woken && First >= 0 && polled.back().revents != 0) {
        char drain[64];
        while (read(static_cast<int>(First), drain, sizeof drain) > 0) {
        }
    }
}
