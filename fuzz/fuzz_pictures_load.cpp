// Decoding by file extension; the first byte picks the extension.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzLimits.h"
#include "pictures/PictureFile.h"

namespace {

const char* const Extensions[] = {"bmp", "DIB", "jpg", "JPEG", "png", "Png", "ico", "wmf", "gif", ""};

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    std::string extension = Extensions[data[0] % std::size(Extensions)];
    std::span<const uint8_t> bytes(data + 1, size - 1);
    if (!SmallPng(bytes) || !SmallJpeg(bytes) || BmpClaimedPixels(bytes) > FuzzMaxPixels) {
        return 0;
    }
    try {
        TDIB dib = DecodePictureBytes(bytes, extension);
        if (dib.Empty() || dib.BitCount() < 24) {
            __builtin_trap();
        }
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
