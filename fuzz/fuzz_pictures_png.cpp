// The PNG conversion over a bitmap that already holds pixels.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "pictures/PngAlpha.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::span<const uint8_t> bytes(data, size);
    if (!SmallPng(bytes)) {
        return 0;
    }
    TBitmap bitmap;
    bitmap.Dib.SetSize(7, 5, 32);
    bitmap.Dib.Fill(0x80402010);
    TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    if (PngStreamToBitmap(stream, bitmap)) {
        if (bitmap.Dib.Empty() || stream.Position() > size) {
            __builtin_trap();
        }
        bitmap.Dib.HasOwnAlpha();
    } else if (bitmap.Dib.Width() != 7 || bitmap.Dib.PixelValue(6, 4) != 0x80402010u) {
        __builtin_trap();   // a failed conversion must leave the bitmap alone
    }
    return 0;
}
