#include "platform/win32/dialog/PreviewImage.h"

namespace {

const wchar_t* const kClassName = L"TessalyPreviewImage";

TPreviewImage* Of(HWND window)
{
    return reinterpret_cast<TPreviewImage*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

} // namespace

const wchar_t* TPreviewImage::ClassName()
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    return registered ? kClassName : nullptr;
}

void TPreviewImage::Show(HWND window, const TDIB& picture)
{
    TPreviewImage* image = Of(window);
    if (!image)
        return;
    image->mPicture.Assign(picture);
    if (image->mPicture.BitCount() != 24)
        image->mPicture.ConvertTo(24);
    InvalidateRect(window, nullptr, TRUE);
}

void TPreviewImage::Clear(HWND window)
{
    if (TPreviewImage* image = Of(window)) {
        image->mPicture.Clear();
        InvalidateRect(window, nullptr, TRUE);
    }
}

void TPreviewImage::Paint(HWND window, HDC dc) const
{
    if (mPicture.Empty())
        return;
    RECT client{};
    GetClientRect(window, &client);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = mPicture.Width();
    info.bmiHeader.biHeight = mPicture.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    // Averaged, not dropped, pixels: a photo shrunk to a thumbnail stays smooth.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, mPicture.Width(), mPicture.Height(), mPicture.Bits(),
                  &info, DIB_RGB_COLORS, SRCCOPY);
}

LRESULT CALLBACK TPreviewImage::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TPreviewImage));
        break;
    case WM_NCDESTROY:
        delete Of(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (const TPreviewImage* image = Of(window))
            image->Paint(window, dc);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
