#include "platform/win32/dialog/ButtonGlyphs.h"

namespace {

constexpr int kGlyphSize = 17;

// A small 16-colour palette, like the one such glyphs were drawn with.
constexpr COLORREF kFrame = RGB(0, 0, 0);
constexpr COLORREF kMat = RGB(255, 255, 255);
constexpr COLORREF kSky = RGB(0, 255, 255);
constexpr COLORREF kSun = RGB(255, 255, 0);
constexpr COLORREF kFarHill = RGB(0, 128, 0);
constexpr COLORREF kNearHill = RGB(0, 255, 0);
constexpr COLORREF kShade = RGB(128, 128, 128);

void Fill(HDC dc, int left, int top, int width, int height, COLORREF colour)
{
    const RECT area{left, top, left + width, top + height};
    SetDCBrushColor(dc, colour);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Shape(HDC dc, const POINT* corners, int count, COLORREF colour)
{
    SetDCBrushColor(dc, colour);
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(NULL_PEN));
    Polygon(dc, corners, count);
}

void DrawAddPicture(HDC dc)
{
    // Picture frame with a drop shadow, a white mat and the scene inside.
    Fill(dc, 3, 4, 14, 12, kShade);
    Fill(dc, 1, 2, 14, 12, kFrame);
    Fill(dc, 2, 3, 12, 10, kMat);
    Fill(dc, 3, 4, 10, 8, kSky);
    HRGN scene = CreateRectRgn(3, 4, 13, 12);
    SelectClipRgn(dc, scene);
    // A round sun at this size is a square with its corners cut.
    Fill(dc, 10, 4, 2, 1, kSun);
    Fill(dc, 9, 5, 4, 2, kSun);
    Fill(dc, 10, 7, 2, 1, kSun);
    const POINT farHill[] = {{3, 13}, {3, 9}, {6, 6}, {10, 10}, {13, 8}, {14, 13}};
    Shape(dc, farHill, 6, kFarHill);
    const POINT nearHill[] = {{3, 13}, {3, 11}, {7, 9}, {13, 11}, {14, 13}};
    Shape(dc, nearHill, 5, kNearHill);
    SelectClipRgn(dc, nullptr);
    DeleteObject(scene);
}

void DrawRemovePicture(HDC dc)
{
    // Two pixel-wide strokes side by side make each bar of the X.
    for (int step = 0; step <= 10; ++step) {
        Fill(dc, 3 + step, 3 + step, 2, 1, kFrame);
        Fill(dc, 12 - step, 3 + step, 2, 1, kFrame);
    }
}

} // namespace

HBITMAP MakeButtonGlyph(TButtonGlyph glyph)
{
    if (glyph == TButtonGlyph::None)
        return nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kGlyphSize, kGlyphSize);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Fill(dc, 0, 0, kGlyphSize, kGlyphSize, GetSysColor(COLOR_BTNFACE));
    if (glyph == TButtonGlyph::AddPicture)
        DrawAddPicture(dc);
    else
        DrawRemovePicture(dc);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    return bitmap;
}
