#pragma once
#include <atomic>

// What a draw control hands the GDI backend as its native window: the window
// to present into and a flag its owner raises when the system asks for a
// repaint (WM_PAINT), so that the next present sends the whole frame.
struct TGdiWindow {
    void* Window = nullptr;   // HWND
    std::atomic<bool> Exposed{true};
};
