#include "platform/DesktopCapture.h"

#include <cstring>

#include "platform/win32/Windows.h"

// A copy of the screen as it is, by BitBlt from the screen's device context
// into a 24-bit DIB section; called before the saver's window shows.
std::optional<TBgrPixels> CaptureDesktop()
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0)
        return std::nullopt;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return std::nullopt;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::optional<TBgrPixels> result;
    if (memory && section) {
        HGDIOBJ old = SelectObject(memory, section);
        if (BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            TBgrPixels pixels;
            pixels.Width = width;
            pixels.Height = height;
            const size_t rowBytes = static_cast<size_t>(width) * 3;
            const size_t stride = (rowBytes + 3) & ~size_t{3};
            pixels.Bgr.resize(rowBytes * static_cast<size_t>(height));
            const auto* from = static_cast<const uint8_t*>(bits);
            for (int y = 0; y < height; ++y)
                std::memcpy(pixels.Bgr.data() + rowBytes * static_cast<size_t>(y), from + stride * static_cast<size_t>(y),
                            rowBytes);
            result = std::move(pixels);
        }
        SelectObject(memory, old);
    }
    if (section)
        DeleteObject(section);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return result;
}
