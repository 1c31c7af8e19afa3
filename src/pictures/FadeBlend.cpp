#include "pictures/FadeBlend.h"

#include <algorithm>
#include <array>

namespace {

// Bytes per pixel, and the pixels the inner loop takes at once. The inner
// loop has a fixed trip count over plain byte arrays so that the compiler
// turns it into vector code even at -O2.
constexpr int32_t PixelBytes = 3;
constexpr int32_t BlockPixels = 16;
constexpr int32_t BlockBytes = BlockPixels * PixelBytes;

// Which byte of its pixel each byte of a block is (a block starts on a pixel).
constexpr std::array<uint8_t, BlockBytes> MakeBlockPhase()
{
    std::array<uint8_t, BlockBytes> phase{};
    for (int32_t i = 0; i < BlockBytes; ++i) {
        phase[i] = uint8_t(i % PixelBytes);
    }
    return phase;
}
constexpr std::array<uint8_t, BlockBytes> BlockPhase = MakeBlockPhase();

inline uint8_t Mix(uint8_t next, uint8_t current, uint16_t weight)
{
    return uint8_t((weight * next + (256 - weight) * current) >> 8);
}

// One byte of a block. Rather than gathering each pixel's three bytes (which
// the vectoriser cannot do without shuffles), every byte looks at its
// neighbours two to either side and its phase picks the window that is its
// own pixel. The caller guarantees those neighbours exist.
inline uint8_t BlendByte(const uint8_t* at, uint8_t current, uint8_t phase, uint16_t weight)
{
    const bool keyAsBlue = (phase == 0) & (at[0] == FadeKeyBlue) & (at[1] == FadeKeyGreen) & (at[2] == FadeKeyRed);
    const bool keyAsGreen = (phase == 1) & (at[-1] == FadeKeyBlue) & (at[0] == FadeKeyGreen) & (at[1] == FadeKeyRed);
    const bool keyAsRed = (phase == 2) & (at[-2] == FadeKeyBlue) & (at[-1] == FadeKeyGreen) & (at[0] == FadeKeyRed);
    const uint16_t own = (keyAsBlue | keyAsGreen | keyAsRed) ? 0 : weight;
    return Mix(at[0], current, own);
}

void BlendPixel(uint8_t* current, const uint8_t* next, uint16_t weight)
{
    if (next[0] == FadeKeyBlue && next[1] == FadeKeyGreen && next[2] == FadeKeyRed) {
        return;
    }
    for (int32_t k = 0; k < PixelBytes; ++k) {
        current[k] = Mix(next[k], current[k], weight);
    }
}

}

void BlendRow(uint8_t* __restrict current, const uint8_t* __restrict next, int32_t pixels, int32_t weight)
{
    const uint16_t w = uint16_t(std::clamp(weight, 0, 256));
    if (pixels <= 0) {
        return;
    }
    // The first pixel has no bytes before it and the last none after, so
    // blocks run from pixel 1 and stop a pixel short of the end.
    BlendPixel(current, next, w);
    int32_t x = 1;
    for (; x + BlockPixels < pixels; x += BlockPixels) {
        const int32_t base = x * PixelBytes;
        for (int32_t i = 0; i < BlockBytes; ++i) {
            current[base + i] = BlendByte(next + base + i, current[base + i], BlockPhase[i], w);
        }
    }
    for (; x < pixels; ++x) {
        BlendPixel(current + x * PixelBytes, next + x * PixelBytes, w);
    }
}

void BlendPicture(TDIB& current, const TDIB& next, int32_t weight)
{
    if (current.BitCount() != 24 || next.BitCount() != 24) {
        return;
    }
    const int32_t width = std::min(current.Width(), next.Width());
    const int32_t height = std::min(current.Height(), next.Height());
    for (int32_t y = 0; y < height; ++y) {
        BlendRow(current.ScanLine(y), next.ScanLine(y), width, weight);
    }
}
