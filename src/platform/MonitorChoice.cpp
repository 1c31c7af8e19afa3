#include "platform/MonitorChoice.h"

namespace {

bool Holds(const TScreenArea& area, int64_t x, int64_t y)
{
    return x >= area.Left && x < static_cast<int64_t>(area.Left) + area.Width && y >= area.Top &&
           y < static_cast<int64_t>(area.Top) + area.Height;
}

}

TScreenArea MonitorAround(const TScreenArea& window, const std::vector<TScreenArea>& monitors,
                          const TScreenArea& whole)
{
    const int64_t centreX = static_cast<int64_t>(window.Left) + window.Width / 2;
    const int64_t centreY = static_cast<int64_t>(window.Top) + window.Height / 2;
    for (const TScreenArea& monitor : monitors) {
        if (!Holds(monitor, centreX, centreY))
            continue;
        if (window.Width > monitor.Width || window.Height > monitor.Height)
            return whole;
        return monitor;
    }
    return whole;
}
