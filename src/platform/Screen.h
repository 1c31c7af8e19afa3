#pragma once
#include <cstdint>
#include <stdexcept>

// Sizes from the window system (X11 on this build).

struct TPixelSize {
    int32_t Width = 0;
    int32_t Height = 0;
};

// The window system cannot be reached, or the window it was asked about does
// not exist; what() says which.
class EScreenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The primary screen in pixels.
TPixelSize PrimaryScreenSize();
// The screen a window is shown on: the monitor that holds its centre, or the
// whole X screen when the window is wider or taller than that monitor (a
// window over every monitor) or the server knows no monitors. Throws
// EScreenError when the window does not exist.
TPixelSize MonitorSizeAround(uintptr_t window);
// The client area of a window given by its window-system id.
TPixelSize WindowClientSize(uintptr_t window);
