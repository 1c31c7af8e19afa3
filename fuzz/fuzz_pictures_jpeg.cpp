// The JPEG decoder wrapper: every library error becomes an exception.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "pictures/JpegDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::span<const uint8_t> bytes(data, size);
    if (!SmallJpeg(bytes)) {
        return 0;
    }
    try {
        TDIB dib = DecodeJpeg(bytes);
        if (dib.BitCount() != 24 || dib.Empty()) {
            __builtin_trap();
        }
    } catch (const EJpegError&) {
    }
    return 0;
}
