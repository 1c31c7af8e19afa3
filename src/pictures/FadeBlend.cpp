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

// weight × next + (256 − weight) × current is at most 256 × 255, so the sum
// fits 16 bits; saying so lets the vector code use 16-bit lanes.
inline uint8_t Mix(uint8_t next, uint8_t current, uint16_t weight)
{
    const uint16_t incoming = uint16_t(weight * next);
    const uint16_t remaining = uint16_t((256 - weight) * current);
    return uint8_t(uint16_t(incoming + remaining) >> 8);
}

// A block that holds the key's red somewhere. Rather than gathering each
// pixel's three bytes (which the vectoriser cannot do without shuffles), the
// first loop marks the bytes where a key pixel starts, looking two bytes
// ahead, and the second lets every byte see the marks of its own pixel. The
// caller guarantees the two bytes after the block exist.
void BlendKeyedBlock(uint8_t* __restrict current, const uint8_t* __restrict next, uint16_t weight)
{
    // keyStarts[i + 2]: a key pixel begins at byte i.
    uint8_t keyStarts[BlockBytes + 2] = {};
    for (int32_t i = 0; i < BlockBytes; ++i) {
        keyStarts[i + 2] = uint8_t((BlockPhase[i] == 0) & (next[i] == FadeKeyBlue) & (next[i + 1] == FadeKeyGreen) &
                                   (next[i + 2] == FadeKeyRed));
    }
    for (int32_t i = 0; i < BlockBytes; ++i) {
        const bool key = (keyStarts[i + 2] | keyStarts[i + 1] | keyStarts[i]) != 0;
        current[i] = Mix(next[i], current[i], key ? 0 : weight);
    }
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
    // Blocks stop a pixel short of the end: the key test looks two bytes on.
    int32_t x = 0;
    for (; x + BlockPixels < pixels; x += BlockPixels) {
        uint8_t* to = current + x * PixelBytes;
        const uint8_t* from = next + x * PixelBytes;
        // Most blocks hold no byte of the key's red at all.
        uint8_t keyRed = 0;
        for (int32_t i = 0; i < BlockBytes; ++i) {
            keyRed |= uint8_t(from[i] == FadeKeyRed);
        }
        if (keyRed) {
            BlendKeyedBlock(to, from, w);
            continue;
        }
        for (int32_t i = 0; i < BlockBytes; ++i) {
            to[i] = Mix(from[i], to[i], w);
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
