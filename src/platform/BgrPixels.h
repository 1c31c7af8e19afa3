#pragma once
#include <cstdint>
#include <vector>

// Pixels handed from the platform to the portable code: rows from the top,
// three bytes per pixel in blue, green, red order, no padding.
struct TBgrPixels {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Bgr;
};
