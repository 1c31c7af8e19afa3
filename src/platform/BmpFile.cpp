#include "platform/BmpFile.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr size_t FileHeaderSize = 14;
constexpr uint32_t CoreHeaderSize = 12;
constexpr char NotABitmap[] = "Bitmap image is not valid";

uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// The size the header claims, checked before the reader allocates anything.
void CheckClaimedSize(std::span<const uint8_t> bytes, uint64_t maxPixels)
{
    if (bytes.size() < FileHeaderSize + 16 || bytes[0] != 'B' || bytes[1] != 'M') {
        throw EBmpFileError(NotABitmap);
    }
    const uint8_t* info = bytes.data() + FileHeaderSize;
    int64_t width, height;
    if (Get32(info) == CoreHeaderSize) {
        width = info[4] | (info[5] << 8);
        height = info[6] | (info[7] << 8);
    } else {
        width = int32_t(Get32(info + 4));
        height = std::llabs(int64_t(int32_t(Get32(info + 8))));
    }
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > maxPixels) {
        throw EBmpFileError(NotABitmap);
    }
}

struct TSurfaceFree {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using TSurface = std::unique_ptr<SDL_Surface, TSurfaceFree>;

}

TBgrPixels ReadBmpFile(std::span<const uint8_t> bytes, uint64_t maxPixels)
{
    CheckClaimedSize(bytes, maxPixels);
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), int(bytes.size()));
    if (source == nullptr) {
        throw EBmpFileError(SDL_GetError());
    }
    TSurface loaded(SDL_LoadBMP_RW(source, 1));
    if (!loaded) {
        throw EBmpFileError(SDL_GetError());
    }
    // Bitmaps are drawn without their alpha, as a plain copy of the colours.
    SDL_SetSurfaceBlendMode(loaded.get(), SDL_BLENDMODE_NONE);
    TSurface converted(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_BGR24, 0));
    if (!converted) {
        throw EBmpFileError(SDL_GetError());
    }
    TBgrPixels pixels;
    pixels.Width = converted->w;
    pixels.Height = converted->h;
    size_t rowBytes = size_t(converted->w) * 3;
    pixels.Bgr.resize(rowBytes * size_t(converted->h));
    const auto* from = static_cast<const uint8_t*>(converted->pixels);
    for (int y = 0; y < converted->h; ++y) {
        std::memcpy(pixels.Bgr.data() + rowBytes * size_t(y), from + size_t(converted->pitch) * size_t(y), rowBytes);
    }
    return pixels;
}

void ReleaseBmpThreadState()
{
    SDL_TLSCleanup();
}
