#include "platform/win32/dialog/GlyphBitmap.h"

#include "settings/form/ButtonGlyphs.h"

HBITMAP MakeGlyphBitmap(TButtonGlyph glyph)
{
    const TDIB picture = ButtonGlyph(glyph);
    if (picture.Empty())
        return nullptr;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.Width();
    info.bmiHeader.biHeight = -picture.Height();   // top-down, row y at y
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    auto* pixels = static_cast<uint32_t*>(bits);
    const auto blend = [](uint32_t over, uint32_t under, uint32_t alpha) {
        return (over * alpha + under * (255 - alpha) + 127) / 255;
    };
    for (int32_t y = 0; y < picture.Height(); ++y) {
        for (int32_t x = 0; x < picture.Width(); ++x) {
            const uint32_t argb = picture.GetColor(x, y);
            const uint32_t alpha = argb >> 24;
            const uint32_t red = blend(argb >> 16 & 0xff, GetRValue(face), alpha);
            const uint32_t green = blend(argb >> 8 & 0xff, GetGValue(face), alpha);
            const uint32_t blue = blend(argb & 0xff, GetBValue(face), alpha);
            pixels[y * picture.Width() + x] = red << 16 | green << 8 | blue;
        }
    }
    return bitmap;
}
