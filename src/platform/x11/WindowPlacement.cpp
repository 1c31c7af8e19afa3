#include "platform/x11/WindowPlacement.h"

#include <X11/Xlib.h>

#include "platform/x11/WindowSystem.h"
#include "platform/x11/XRequestsAccepted.h"

namespace {

Display* Connection()
{
    TWindowSystem* system = TWindowSystem::Current();
    return system ? static_cast<Display*>(system->NativeDisplay()) : nullptr;
}

}

bool GetWindowRect(TWindow window, TWindowRect& rect)
{
    Display* display = Connection();
    if (!display || window == 0)
        return false;
    XWindowAttributes attributes{};
    bool got = false;
    XRequestsAccepted(display, [&] { got = XGetWindowAttributes(display, window, &attributes) != 0; });
    if (!got)
        return false;
    rect = {attributes.x, attributes.y, attributes.width, attributes.height};
    return true;
}

void SetWindowRect(TWindow window, const TWindowRect& rect)
{
    Display* display = Connection();
    if (!display || window == 0 || rect.Width <= 0 || rect.Height <= 0)
        return;
    XRequestsAccepted(display, [&] {
        XMoveResizeWindow(display, window, rect.Left, rect.Top, static_cast<unsigned>(rect.Width),
                          static_cast<unsigned>(rect.Height));
    });
}

void SetWindowBorderWidth(TWindow window, int32_t width)
{
    Display* display = Connection();
    if (!display || window == 0 || width < 0)
        return;
    XRequestsAccepted(display, [&] { XSetWindowBorderWidth(display, window, static_cast<unsigned>(width)); });
}

void ShowDefaultCursor(TWindow window)
{
    Display* display = Connection();
    if (!display || window == 0)
        return;
    XRequestsAccepted(display, [&] { XUndefineCursor(display, window); });
}

bool GetPointerInWindow(TWindow window, TPoint& point)
{
    Display* display = Connection();
    TWindowRect rect;
    if (!display || !GetWindowRect(window, rect))
        return false;
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    bool sameScreen = false;
    XRequestsAccepted(display, [&] { sameScreen = XQueryPointer(display, window, &root, &child, &rootX, &rootY, &x, &y, &mask); });
    if (!sameScreen || x < 0 || y < 0 || x >= rect.Width || y >= rect.Height)
        return false;
    point = {x, y};
    return true;
}
