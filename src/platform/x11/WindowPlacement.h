#pragma once
#include <cstdint>

#include "platform/Messages.h"

// What the scene window needs of one of our X windows beyond TWindowSystem:
// where it stands in its parent, its border and the pointer over it.
// Each does nothing (or answers false) without a connection or for a window
// that is gone.

struct TWindowRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

bool GetWindowRect(TWindow window, TWindowRect& rect);
void SetWindowRect(TWindow window, const TWindowRect& rect);
void SetWindowBorderWidth(TWindow window, int32_t width);
// The parent's pointer shape again, after TWindowSystem::HideCursor.
void ShowDefaultCursor(TWindow window);
// Where the pointer is in the window's client coordinates; false when it is not over the window.
bool GetPointerInWindow(TWindow window, TPoint& point);
