#include "scene/TSceneWindow.h"

#include <stdexcept>

#include "platform/EventLoop.h"
#include "platform/x11/WindowPlacement.h"
#include "platform/x11/WindowSystem.h"
#include "render/backends/sdl/SdlDrawWindow.h"

namespace {
constexpr int32_t SizeableBorderWidth = 4;
// Asks the window, through the loop, to report the pointer it appeared under.
constexpr uint32_t PointerCheckMessage = WM_USER + 1;

TWindowSystem& WindowSystem()
{
    TWindowSystem* system = TWindowSystem::Current();
    if (!system)
        throw std::runtime_error("the scene window needs a connection to the X server");
    return *system;
}
}

TSceneWindow::~TSceneWindow()
{
    Handler = nullptr;
    if (Handle != 0 && UiLoop().IsWindow(Handle))
        UiLoop().DestroyWindow(Handle);
    Control.reset();
}

void TSceneWindow::SetMessageHandler(TSceneMessageHandler handler) { Handler = std::move(handler); }

void TSceneWindow::SetParentWindow(TWindow parent)
{
    TWindowSystem& system = WindowSystem();
    if (Handle != 0)
        return;
    Parent = parent;
    Handle = system.CreateChildWindow(
        parent, [this](TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
            return WindowProc(window, message, wParam, lParam);
        });
    if (Handle == 0)
        throw std::runtime_error("the scene window cannot be made inside the host window");
    // A new child comes up mapped; the scene shows itself when it is ready.
    system.ShowWindow(Handle, false);
    Control = MakeSdlDrawControl(Handle);
}

void TSceneWindow::Show(bool visible)
{
    if (Handle == 0)
        return;
    TWindowSystem& system = WindowSystem();
    system.ShowWindow(Handle, visible);
    IsVisible = visible;
    // A window that appears under the pointer hears of it at once, as if the
    // pointer had moved there; X reports nothing until the pointer really moves.
    if (visible)
        UiLoop().PostMessage(Handle, PointerCheckMessage, 0, 0);
    // A hidden scene hands the keyboard back, so keys reach the host again.
    if (!visible && system.GetFocus() == Handle)
        system.SetFocus(Parent);
}

bool TSceneWindow::Exists() const
{
    TWindowSize size;
    const TWindowSystem* system = TWindowSystem::Current();
    return Handle != 0 && system && system->GetClientSize(Handle, size);
}

void TSceneWindow::TakeFocus()
{
    if (Handle == 0)
        return;
    WindowSystem().SetFocus(Handle);
    // The host brings its window to the foreground after the scene is shown,
    // which gives it the keyboard; ask again once the message loop runs.
    UiLoop().PostMessage(Handle, WM_SETFOCUS, 0, 0);
}

void TSceneWindow::PostToParent(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (Parent != 0)
        UiLoop().PostMessage(Parent, message, wParam, lParam);
}

void TSceneWindow::SetCursorVisible(bool visible)
{
    if (Handle == 0)
        return;
    if (visible)
        ShowDefaultCursor(Handle);
    else
        WindowSystem().HideCursor(Handle);
}

void TSceneWindow::SetSizeableBorder(bool sizeable) { SetWindowBorderWidth(Handle, sizeable ? SizeableBorderWidth : 0); }

bool TSceneWindow::GetPlacement(TWindowPlacement& placement) const
{
    TWindowRect rect;
    if (!GetWindowRect(Handle, rect))
        return false;
    placement = {rect.Left, rect.Top, rect.Width, rect.Height};
    return true;
}

void TSceneWindow::SetPlacement(const TWindowPlacement& placement)
{
    SetWindowRect(Handle, {placement.Left, placement.Top, placement.Width, placement.Height});
}

intptr_t TSceneWindow::WindowProc(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // The scene sees every key first; what it does not keep is the host's.
        if (!(Handler && Handler(message, wParam, lParam)) && Parent != 0)
            UiLoop().SendMessage(Parent, message, wParam, lParam);
        return 0;
    case WM_SETFOCUS:
        if (IsVisible)
            WindowSystem().SetFocus(Handle);
        return 0;
    case WM_MOUSEMOVE:
    case WM_SIZE:
        if (Handler)
            Handler(message, wParam, lParam);
        return 0;
    case PointerCheckMessage: {
        TPoint pointer;
        if (IsVisible && Handler && GetPointerInWindow(Handle, pointer))
            Handler(WM_MOUSEMOVE, 0, MakePointParam(pointer.X, pointer.Y));
        return 0;
    }
    case WM_DESTROY:
        // The device lets go of the window first, then SDL does, then X.
        if (Handler)
            Handler(message, wParam, lParam);
        Control.reset();
        Handle = 0;
        IsVisible = false;
        return 0;
    default:
        return WindowSystem().DefWindowProc(window, message, wParam, lParam);
    }
}
