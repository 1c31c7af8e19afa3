#include <X11/Xlib.h>

#include "platform/x11/KeyCodes.h"
#include "platform/x11/WindowSystemImpl.h"

namespace {
constexpr long WheelDelta = 120;
}

void TWindowSystem::TImpl::PumpEvents()
{
    while (XPending(Dpy) > 0) {
        XEvent event;
        XNextEvent(Dpy, &event);
        Translate(event);
    }
}

void TWindowSystem::TImpl::Post(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (IsOurs(window))
        Loop.PostMessage(window, message, wParam, lParam);
}

void TWindowSystem::TImpl::TranslateKey(XKeyEvent& key, bool pressed)
{
    const uint32_t virtualKey = VirtualKeyFromKeysym(XLookupKeysym(&key, 0));
    const bool alt = (key.state & Mod1Mask) != 0 || virtualKey == VK_MENU;
    uint32_t message = pressed ? WM_KEYDOWN : WM_KEYUP;
    if (alt)
        message = pressed ? WM_SYSKEYDOWN : WM_SYSKEYUP;
    const intptr_t lParam = 1 | (static_cast<intptr_t>(key.keycode & 0xFF) << 16) | (alt ? KF_ALTDOWN : 0);
    const TWindow target = IsOurs(Focus) && IsWithin(Focus, key.window) ? Focus : key.window;
    Post(target, message, virtualKey, lParam);
}

void TWindowSystem::TImpl::TranslateButton(const XButtonEvent& button, bool pressed)
{
    const intptr_t point = MakePointParam(button.x, button.y);
    switch (button.button) {
    case Button1:
        Post(button.window, pressed ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, point);
        break;
    case Button2:
        Post(button.window, pressed ? WM_MBUTTONDOWN : WM_MBUTTONUP, 0, point);
        break;
    case Button3:
        Post(button.window, pressed ? WM_RBUTTONDOWN : WM_RBUTTONUP, 0, point);
        break;
    case Button4:
    case Button5:
        if (pressed) {
            const long delta = button.button == Button4 ? WheelDelta : -WheelDelta;
            Post(button.window, WM_MOUSEWHEEL, static_cast<uintptr_t>((delta & 0xFFFF) << 16),
                 MakePointParam(button.x_root, button.y_root));
        }
        break;
    default:
        break;
    }
}

void TWindowSystem::TImpl::DestroyedOutside(Window window)
{
    if (auto found = Ours.find(window); found != Ours.end()) {
        found->second.Gone = true;
        Loop.DestroyWindow(window);
    }
    if (auto watched = WatchedParents.find(window); watched != WatchedParents.end()) {
        const std::vector<Window> inside = watched->second;
        WatchedParents.erase(watched);
        for (Window ours : inside)
            DestroyedOutside(ours);
    }
}

void TWindowSystem::TImpl::ParentResized(Window parent, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    for (const auto& [window, info] : Ours)
        if (info.Parent == parent && info.FillsParent && !info.Gone)
            Trapped([&, window = window] {
                XResizeWindow(Dpy, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
            });
}

void TWindowSystem::TImpl::Translate(XEvent& event)
{
    switch (event.type) {
    case KeyPress:
    case KeyRelease:
        TranslateKey(event.xkey, event.type == KeyPress);
        break;
    case ButtonPress:
    case ButtonRelease:
        TranslateButton(event.xbutton, event.type == ButtonPress);
        break;
    case MotionNotify:
        Post(event.xmotion.window, WM_SETCURSOR, event.xmotion.window, HTCLIENT | (WM_MOUSEMOVE << 16));
        Post(event.xmotion.window, WM_MOUSEMOVE, 0, MakePointParam(event.xmotion.x, event.xmotion.y));
        break;
    case EnterNotify:
        Post(event.xcrossing.window, WM_SETCURSOR, event.xcrossing.window, HTCLIENT | (WM_MOUSEMOVE << 16));
        break;
    case FocusIn:
    case FocusOut:
        if (event.xfocus.detail != NotifyPointer && event.xfocus.detail != NotifyInferior) {
            const uintptr_t active = event.type == FocusIn ? WA_ACTIVE : WA_INACTIVE;
            Post(event.xfocus.window, WM_NCACTIVATE, active, 0);
            Post(event.xfocus.window, WM_ACTIVATE, active, 0);
        }
        break;
    case Expose:
        if (event.xexpose.count == 0)
            Post(event.xexpose.window, WM_PAINT, 0, 0);
        break;
    case ConfigureNotify:
        ParentResized(event.xconfigure.window, event.xconfigure.width, event.xconfigure.height);
        Post(event.xconfigure.window, WM_SIZE, 0, MakePointParam(event.xconfigure.width, event.xconfigure.height));
        break;
    case ClientMessage:
        if (event.xclient.message_type == WmProtocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == WmDeleteWindow)
            Post(event.xclient.window, WM_CLOSE, 0, 0);
        break;
    case DestroyNotify:
        DestroyedOutside(event.xdestroywindow.window);
        break;
    default:
        break;
    }
}
