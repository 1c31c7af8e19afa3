#pragma once
#include "platform/win32/Windows.h"
#include "render/TDIB.h"

// The picture controls of the dialog: a child window that shows one picture
// stretched to its bounds, or nothing. The window owns its picture.
class TPreviewImage {
public:
    // Registers the window class once per process; its name for CreateWindowExW.
    static const wchar_t* ClassName();

    // The picture of a window of this class; the window keeps a copy.
    static void Show(HWND window, const TDIB& picture);
    static void Clear(HWND window);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HWND window, HDC dc) const;

    TDIB mPicture;   // 24 bits, as StretchDIBits takes it without masks
};
