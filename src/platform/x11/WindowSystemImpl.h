#pragma once
// The X11 side of TWindowSystem, shared by its two source files: the
// windows and requests (WindowSystem.cpp) and the translation of events into
// window messages (WindowEvents.cpp). Nothing outside this folder includes it.
#include <X11/Xlib.h>

#include <functional>
#include <map>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/x11/WindowSystem.h"

struct TWindowSystem::TImpl : IEventSource {
    struct TOurWindow {
        Window Parent;
        bool FillsParent = false;   // resized with its parent
        bool Gone = false;          // destroyed on the server already
    };

    TEventLoop& Loop;
    Display* Dpy = nullptr;
    int Screen = 0;
    Window Root = 0;
    ::Cursor Blank = 0;
    Atom WmProtocols, WmDeleteWindow, NetWmName, Utf8String, NetWmState, NetWmStateFullscreen, NetWmStateAbove,
        NetActiveWindow, NetWmPid, MotifWmHints;
    std::map<Window, TOurWindow> Ours;
    std::map<Window, std::vector<Window>> WatchedParents;   // foreign parents and our windows inside them
    TWindow Focus = 0;

    explicit TImpl(TEventLoop& loop) : Loop(loop) {}

    int WaitHandle() const override { return ConnectionNumber(Dpy); }
    bool HasQueued() const override { return XEventsQueued(Dpy, QueuedAlready) > 0; }
    void PumpEvents() override;

    // Runs a request and answers whether the server accepted it.
    bool Trapped(const std::function<void()>& request) const;
    bool Exists(Window window) const;
    bool IsOurs(Window window) const { return Ours.contains(window) && Loop.IsWindow(window); }

    bool IsWithin(TWindow window, TWindow ancestor) const
    {
        for (; window != 0; window = Loop.GetParent(window))
            if (window == ancestor)
                return true;
        return false;
    }

    void Post(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
    void TranslateKey(XKeyEvent& key, bool pressed);
    void TranslateButton(const XButtonEvent& button, bool pressed);
    void DestroyedOutside(Window window);
    void ParentResized(Window parent, int width, int height);
    void Translate(XEvent& event);

    void Release(Window window);
    void SetNetWmState(Window window, long action, Atom state);
    void Describe(Window window, const TCreateWindowParams& params, bool topLevel, bool fullScreen);
    void WaitUntilViewable(Window window);
};
