#pragma once
#include <cstdint>
#include <vector>

// A rectangle in root-window pixels: a window, a monitor.
struct TScreenArea {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// The monitor a window counts as shown on: the first that holds its centre.
// A window wider or taller than that monitor spans more than one, and no
// monitor holding it means the server knows none; both give `whole`.
TScreenArea MonitorAround(const TScreenArea& window, const std::vector<TScreenArea>& monitors,
                          const TScreenArea& whole);
