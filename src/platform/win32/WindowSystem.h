#pragma once
#include <cstdint>
#include <string>

#include "platform/EventLoop.h"
#include "platform/Messages.h"

// Real Win32 windows as windows of the program's event loop. Every message
// the system sends a window goes to the procedure given when it was made, with
// the same meaning (the program's message numbers are the system's); messages
// posted through the loop reach the same procedure. The loop sleeps on the
// thread's message queue and dispatches what arrives there before anything else.
//
// Destruction follows the loop's rules whichever side starts it: a window
// destroyed by the system (its parent went away) is destroyed in the loop as
// TEventLoop::DestroyWindow does it, WM_DESTROY included, once only.
class TWin32Windows : public IEventSource {
public:
    explicit TWin32Windows(TEventLoop& loop);
    ~TWin32Windows() override;
    TWin32Windows(const TWin32Windows&) = delete;
    TWin32Windows& operator=(const TWin32Windows&) = delete;

    // The one that is serving the loop, if any.
    static TWin32Windows* Current();

    // The window class of that name (UTF-8); registering it again is fine.
    bool RegisterClass(const std::string& className);
    // Made hidden; WM_CREATE reaches `proc` before CreateWindow returns.
    // Parent 0 with topMost: a borderless window over the whole screen.
    TWindow CreateWindow(const std::string& className, const std::string& title, TWindow parent, int32_t width,
                         int32_t height, bool topMost, TWindowProc proc);
    // A child filling the parent's client area, for drawing into.
    TWindow CreateChildWindow(TWindow parent, TWindowProc proc);
    // What is left when a procedure does not handle a message: WM_CLOSE
    // destroys the window through the loop; a child passes keys and mouse
    // buttons on to its parent; everything else gets the system's treatment.
    intptr_t DefWindowProc(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

    int WaitHandle() const override { return -1; }
    void PumpEvents() override;

private:
    TEventLoop& Loop;
};
