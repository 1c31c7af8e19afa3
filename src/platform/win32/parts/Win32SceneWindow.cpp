#include "platform/win32/parts/Win32SceneWindow.h"

#include <stdexcept>

#include "platform/EventLoop.h"
#include "platform/win32/WindowSystem.h"
#include "platform/win32/Windows.h"
#include "render/IDrawControl.h"

namespace {

HWND ToHwnd(TWindow window) { return reinterpret_cast<HWND>(window); }

TWin32Windows& Windows()
{
    TWin32Windows* windows = TWin32Windows::Current();
    if (!windows)
        throw std::runtime_error("the scene window needs the host's windows");
    return *windows;
}

}

// The device's view of the scene window.
class TGdiDrawControl : public IDrawControl {
public:
    explicit TGdiDrawControl(TGdiWindow& window) : Window(window) {}

    int ClientWidth() const override { return Client().right; }
    int ClientHeight() const override { return Client().bottom; }
    bool HasParentForm() const override { return true; }
    bool IsFormActive() const override
    {
        HWND window = static_cast<HWND>(Window.Window);
        return IsWindowVisible(window) && !IsIconic(GetAncestor(window, GA_ROOT));
    }
    void* NativeWindow() const override { return &Window; }

private:
    RECT Client() const
    {
        RECT rect{};
        GetClientRect(static_cast<HWND>(Window.Window), &rect);
        return rect;
    }

    TGdiWindow& Window;
};

TWin32SceneWindow::TWin32SceneWindow() = default;

TWin32SceneWindow::~TWin32SceneWindow()
{
    Handler = nullptr;
    if (Handle != 0 && UiLoop().IsWindow(Handle))
        UiLoop().DestroyWindow(Handle);
    Control.reset();
}

void TWin32SceneWindow::SetMessageHandler(TSceneMessageHandler handler) { Handler = std::move(handler); }

void TWin32SceneWindow::SetParentWindow(TWindow parent)
{
    TWin32Windows& windows = Windows();
    if (Handle != 0)
        return;
    Parent = parent;
    Handle = windows.CreateChildWindow(parent, [this](TWindow window, uint32_t message, uintptr_t wParam,
                                                      intptr_t lParam) { return WindowProc(window, message, wParam, lParam); });
    if (Handle == 0)
        throw std::runtime_error("the scene window cannot be made inside the host window");
    Presented.Window = ToHwnd(Handle);
    Presented.Exposed = true;
    Control = std::make_unique<TGdiDrawControl>(Presented);
}

IDrawControl* TWin32SceneWindow::DrawControl() { return Control.get(); }

void TWin32SceneWindow::Show(bool visible)
{
    if (Handle == 0)
        return;
    ShowWindow(ToHwnd(Handle), visible ? SW_SHOWNA : SW_HIDE);
    IsVisible = visible;
    // A hidden scene hands the keyboard back, so keys reach the host again.
    if (!visible && GetFocus() == ToHwnd(Handle))
        SetFocus(ToHwnd(Parent));
}

bool TWin32SceneWindow::Exists() const { return Handle != 0 && IsWindow(ToHwnd(Handle)); }

void TWin32SceneWindow::TakeFocus()
{
    if (Handle != 0)
        SetFocus(ToHwnd(Handle));
}

void TWin32SceneWindow::PostToParent(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (Parent != 0)
        UiLoop().PostMessage(Parent, message, wParam, lParam);
}

void TWin32SceneWindow::SetCursorVisible(bool visible)
{
    CursorHidden = !visible;
    if (Handle != 0)
        SetCursor(visible ? LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)) : nullptr);
}

void TWin32SceneWindow::SetSizeableBorder(bool sizeable)
{
    if (Handle == 0)
        return;
    HWND window = ToHwnd(Handle);
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    style = sizeable ? (style | WS_THICKFRAME) : (style & ~static_cast<LONG_PTR>(WS_THICKFRAME));
    SetWindowLongPtrW(window, GWL_STYLE, style);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

bool TWin32SceneWindow::GetPlacement(TWindowPlacement& placement) const
{
    RECT rect{};
    if (Handle == 0 || !GetWindowRect(ToHwnd(Handle), &rect))
        return false;
    MapWindowPoints(nullptr, ToHwnd(Parent), reinterpret_cast<POINT*>(&rect), 2);
    placement = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    return true;
}

void TWin32SceneWindow::SetPlacement(const TWindowPlacement& placement)
{
    if (Handle != 0)
        MoveWindow(ToHwnd(Handle), placement.Left, placement.Top, placement.Width, placement.Height, TRUE);
}

intptr_t TWin32SceneWindow::WindowProc(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // The scene sees every key first; what it does not keep is the host's.
        if (!(Handler && Handler(message, wParam, lParam)) && Parent != 0)
            UiLoop().SendMessage(Parent, message, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
        if (Handler)
            Handler(message, wParam, lParam);
        return 0;
    case WM_SETCURSOR:
        if (CursorHidden) {
            SetCursor(nullptr);
            return 1;
        }
        break;
    case WM_ERASEBKGND:
        // The device paints every pixel; erasing first would flicker.
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(ToHwnd(window), &paint);
        EndPaint(ToHwnd(window), &paint);
        Presented.Exposed = true;
        return 0;
    }
    case WM_DESTROY:
        // The device lets go of the window before the window goes.
        if (Handler)
            Handler(message, wParam, lParam);
        Control.reset();
        Presented.Window = nullptr;
        Handle = 0;
        IsVisible = false;
        return 0;
    default:
        break;
    }
    return Windows().DefWindowProc(window, message, wParam, lParam);
}
