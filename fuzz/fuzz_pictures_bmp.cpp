// Bitmap files: the bitmap's own stream reader and the file reader.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "platform/BmpFile.h"
#include "render/TDIB.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    if (BmpClaimedPixels(bytes) > FuzzMaxPixels) {
        return 0;
    }
    TMemoryStream stream(bytes);
    TDIB dib;
    try {
        dib.LoadFromStream(stream);
        TMemoryStream again;
        dib.SaveToStream(again);
        again.SetPosition(0);
        TDIB copy;
        copy.LoadFromStream(again);
        if (copy.Size() != dib.Size() || copy.Width() != dib.Width()) {
            __builtin_trap();   // what was read must survive a round trip
        }
    } catch (const EInvalidGraphic&) {
    }
    try {
        TBgrPixels pixels = ReadBmpFile(bytes, FuzzMaxPixels);
        if (pixels.Bgr.size() != size_t(pixels.Width) * size_t(pixels.Height) * 3) {
            __builtin_trap();
        }
    } catch (const EBmpFileError&) {
    }
    return 0;
}
