#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "pictures/JpegDecode.h"
#include "pictures/PngAlpha.h"

// Fuzz inputs may claim pictures of any size; decoding a huge one only
// measures memory and time, so those are left out.
constexpr uint64_t FuzzMaxPixels = 1u << 22;

inline bool SmallPng(std::span<const uint8_t> bytes)
{
    std::optional<TPngSize> size = ReadPngSize(bytes);
    return !size || uint64_t(size->Width) * uint64_t(size->Height) <= FuzzMaxPixels;
}

inline bool SmallJpeg(std::span<const uint8_t> bytes)
{
    try {
        TJpegSize size = ReadJpegSize(bytes);
        return uint64_t(size.Width) * uint64_t(size.Height) <= FuzzMaxPixels;
    } catch (const EJpegError&) {
        return true;
    }
}

// Width × height a bitmap file header claims, or 0.
inline uint64_t BmpClaimedPixels(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 26) {
        return 0;
    }
    auto get32 = [&](size_t at) {
        return uint32_t(bytes[at]) | (uint32_t(bytes[at + 1]) << 8) | (uint32_t(bytes[at + 2]) << 16) |
               (uint32_t(bytes[at + 3]) << 24);
    };
    if (get32(14) == 12) {
        return uint64_t(bytes[18] | (bytes[19] << 8)) * uint64_t(bytes[20] | (bytes[21] << 8));
    }
    int64_t width = int32_t(get32(18)), height = int32_t(get32(22));
    return uint64_t(width < 0 ? -width : width) * uint64_t(height < 0 ? -height : height);
}
