#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/EventLoop.h"
#include "platform/Messages.h"

// The window system cannot be reached; what() is one line saying why.
class EWindowSystemError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TWindowSize {
    int32_t Width = 0;
    int32_t Height = 0;
};

struct TCreateWindowParams {
    TWindow Parent = 0;   // 0: a top-level window
    int32_t Width = 0;    // placed at (0, 0) of the parent or the screen
    int32_t Height = 0;
    std::string Title;
    std::string ClassName;
    // Borderless, above other windows, brought over the whole screen.
    bool FullScreen = false;
    // Keys, buttons and focus are reported to this window. Drawing children
    // leave them to their parent, whose procedure decides.
    bool TakesInput = true;
};

// The program's connection to the X server, for the whole run. Its events
// reach the event loop as window messages:
// - a key press is WM_KEYDOWN, or WM_SYSKEYDOWN while Alt is held and for
//   Alt itself (KF_ALTDOWN set), sent to the focus window (SetFocus) when
//   that is the window the key came to or one of its children;
// - the left, middle and right buttons are their button-down messages, the
//   wheel WM_MOUSEWHEEL; pointer motion is WM_SETCURSOR then WM_MOUSEMOVE
//   with client coordinates, to the window under the pointer that reports
//   motion;
// - focus gained is WM_NCACTIVATE and WM_ACTIVATE with WA_ACTIVE, focus lost
//   the same with 0; the window manager's close request is WM_CLOSE;
// - a window destroyed from outside (its parent went away) is destroyed in
//   the loop as DestroyWindow does it, WM_DESTROY included;
// - a window made inside another program's window, and a drawing child made
//   by CreateChildWindow, keep filling their parent when it is resized (the
//   change reaches them as WM_SIZE).
class TWindowSystem {
public:
    // Connects to the display named by DISPLAY; EWindowSystemError when it
    // cannot. One at a time.
    explicit TWindowSystem(TEventLoop& loop);
    ~TWindowSystem();
    TWindowSystem(const TWindowSystem&) = delete;
    TWindowSystem& operator=(const TWindowSystem&) = delete;

    // The connection that is open, if any.
    static TWindowSystem* Current();

    TWindowSize PrimaryScreenSize() const;
    // The client area of any window, ours or not; false when there is none.
    bool GetClientSize(TWindow window, TWindowSize& size) const;
    // The pointer in screen pixels.
    TPoint GetCursorPos() const;
    // The window XScreenSaver names for its hack to draw in
    // (XSCREENSAVER_WINDOW, decimal or hexadecimal); 0 when the variable is
    // unset or malformed, or the window does not exist.
    TWindow ScreenSaverWindow() const;
    // A top-level window of any program with this WM_CLASS class and title; 0 when none.
    TWindow FindWindow(const std::string& className, const std::string& title) const;

    // Makes the window, registers `proc` for it with the loop, sends it
    // WM_CREATE and then shows it (WM_SHOWWINDOW first). 0 when it cannot be
    // made, for instance because the parent does not exist, or when WM_CREATE
    // answers -1; the window is then destroyed again (WM_DESTROY included)
    // before this returns, as it is when the procedure throws.
    TWindow CreateWindow(const TCreateWindowParams& params, TWindowProc proc);
    // A child filling the parent's client area for drawing into: it gets its
    // own pointer motion; keys and buttons go on to the parent.
    TWindow CreateChildWindow(TWindow parent, TWindowProc proc);
    void ShowWindow(TWindow window, bool show);
    // Raises the window and gives it the keyboard focus once it is on screen;
    // a child of it that has the focus already keeps it.
    void SetForegroundWindow(TWindow window);
    void SetTopmost(TWindow window, bool topmost);
    // No pointer shape over the window.
    void HideCursor(TWindow window);
    // Where key messages go; returns the previous focus window.
    TWindow SetFocus(TWindow window);
    TWindow GetFocus() const;
    // What is left when a window procedure does not handle a message:
    // WM_CLOSE destroys the window; a key message goes on to the parent, so a
    // focused child passes on the keys it has no use for.
    intptr_t DefWindowProc(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

    // The Xlib Display*, for backends that need the connection itself.
    void* NativeDisplay() const;

    struct TImpl;

private:
    std::unique_ptr<TImpl> Impl;
};
