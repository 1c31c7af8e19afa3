#include "pictures/PictureShaping.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t MaskByte(const TDIB& mask, int32_t x, int32_t y)
{
    if (x >= mask.Width() || y >= mask.Height()) {
        return 0;
    }
    switch (mask.BitCount()) {
    case 32: return mask.PixelValue(x, y) >> 24;
    case 8: return mask.PixelValue(x, y);
    default: return 0;
    }
}

}

void HandOver(const TDIB& bitmap, TMemoryStream& stream, TDIB& target)
{
    if (bitmap.Empty()) {
        target.Clear();
        return;
    }
    stream.SetPosition(0);
    bitmap.SaveToStream(stream);
    stream.SetPosition(0);
    target.LoadFromStream(stream);
    stream.SetPosition(0);
}

TDIB SamplePicture(const TDIB& picture)
{
    TDIB samples;
    samples.StretchFrom(picture, PictureTextureSize, PictureTextureSize);
    return samples;
}

TDIB ShapePicture(const TDIB& samples, bool ownAlpha, const TDIB* mask)
{
    TDIB shaped;
    shaped.SetSize(PictureTextureSize, PictureTextureSize, ownAlpha ? 32 : 24);
    shaped.StretchDraw(shaped.BoundsRect(), samples, samples.BoundsRect());
    if (ownAlpha || mask == nullptr) {
        return shaped;
    }
    shaped.ConvertTo(32);
    for (int32_t y = 0; y < PictureTextureSize; ++y) {
        for (int32_t x = 0; x < PictureTextureSize; ++x) {
            shaped.SetPixelValue(x, y, (shaped.PixelValue(x, y) & 0xFFFFFF) | (MaskByte(*mask, x, y) << 24));
        }
    }
    return shaped;
}

void CropTopLeft(TDIB& dib, int32_t width, int32_t height)
{
    width = std::min(width, dib.Width());
    height = std::min(height, dib.Height());
    if (width == dib.Width() && height == dib.Height()) {
        return;
    }
    TDIB cropped;
    cropped.SetSize(width, height, dib.BitCount());
    if (!cropped.Empty()) {
        if (dib.BitCount() == 16 || dib.BitCount() == 32) {
            cropped.SetMasks(dib.RedMask(), dib.GreenMask(), dib.BlueMask());
        }
        cropped.ColorTable() = dib.ColorTable();
        for (int32_t y = 0; y < height; ++y) {
            std::memcpy(cropped.ScanLine(y), dib.ScanLine(y), size_t(cropped.WidthBytes()));
        }
    }
    dib = std::move(cropped);
}
