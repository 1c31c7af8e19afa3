#include "platform/x11/WindowSystem.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <unistd.h>
#include <vector>

#include "platform/x11/WindowId.h"
#include "platform/x11/WindowSystemImpl.h"

namespace {

constexpr auto ShowTimeout = std::chrono::seconds(2);
constexpr int ShowPollMs = 10;
constexpr long NetWmStateRemove = 0;
constexpr long NetWmStateAdd = 1;
constexpr unsigned long MotifHintsDecorations = 2;
constexpr char ScreenSaverWindowVariable[] = "XSCREENSAVER_WINDOW";
// WM_CREATE's answer that refuses the window.
constexpr intptr_t CreateRefused = -1;

constexpr long DrawingMask = StructureNotifyMask | ExposureMask;
constexpr long InputMask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                           EnterWindowMask | FocusChangeMask;
constexpr long ChildMask = PointerMotionMask | EnterWindowMask;

TWindowSystem* OpenSystem = nullptr;

// Xlib's default handler ends the process on any protocol error; a window
// that vanished under us (a preview parent, a window found by the search)
// must only fail the request that named it.
int LastXError = 0;

int NoteXError(Display*, XErrorEvent* error)
{
    LastXError = error->error_code;
    return 0;
}

}

bool TWindowSystem::TImpl::Trapped(const std::function<void()>& request) const
{
    XSync(Dpy, False);
    LastXError = 0;
    request();
    XSync(Dpy, False);
    return LastXError == 0;
}

bool TWindowSystem::TImpl::Exists(Window window) const
{
    XWindowAttributes attributes;
    Status status = 0;
    return Trapped([&] { status = XGetWindowAttributes(Dpy, window, &attributes); }) && status != 0;
}

void TWindowSystem::TImpl::Release(Window window)
{
    auto found = Ours.find(window);
    if (found == Ours.end())
        return;
    const bool gone = found->second.Gone;
    const Window parent = found->second.Parent;
    Ours.erase(found);
    if (auto watched = WatchedParents.find(parent); watched != WatchedParents.end()) {
        std::erase(watched->second, window);
        if (watched->second.empty()) {
            WatchedParents.erase(watched);
            if (!gone)
                Trapped([&] { XSelectInput(Dpy, parent, NoEventMask); });
        }
    }
    if (Focus == window)
        Focus = 0;
    if (!gone)
        Trapped([&] { XDestroyWindow(Dpy, window); });
}

void TWindowSystem::TImpl::SetNetWmState(Window window, long action, Atom state)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = NetWmState;
    event.xclient.format = 32;
    event.xclient.data.l[0] = action;
    event.xclient.data.l[1] = static_cast<long>(state);
    event.xclient.data.l[3] = 1;   // from an ordinary application
    XSendEvent(Dpy, Root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

void TWindowSystem::TImpl::Describe(Window window, const TCreateWindowParams& params, bool topLevel, bool fullScreen)
{
    XClassHint classHint{};
    std::string className = params.ClassName;
    classHint.res_name = className.data();
    classHint.res_class = className.data();
    XSetClassHint(Dpy, window, &classHint);
    XStoreName(Dpy, window, params.Title.c_str());
    XChangeProperty(Dpy, window, NetWmName, Utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(params.Title.data()),
                    static_cast<int>(params.Title.size()));
    if (!topLevel)
        return;
    XSetWMProtocols(Dpy, window, &WmDeleteWindow, 1);
    const long pid = static_cast<long>(getpid());
    XChangeProperty(Dpy, window, NetWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    XSizeHints* sizeHints = XAllocSizeHints();
    sizeHints->flags = USPosition | USSize | PPosition | PSize;
    sizeHints->width = params.Width;
    sizeHints->height = params.Height;
    XSetWMNormalHints(Dpy, window, sizeHints);
    XFree(sizeHints);
    if (!fullScreen)
        return;
    const long motifHints[5] = {static_cast<long>(MotifHintsDecorations), 0, 0, 0, 0};
    XChangeProperty(Dpy, window, MotifWmHints, MotifWmHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motifHints), 5);
    const Atom states[2] = {NetWmStateFullscreen, NetWmStateAbove};
    XChangeProperty(Dpy, window, NetWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states), 2);
}

void TWindowSystem::TImpl::WaitUntilViewable(Window window)
{
    const auto deadline = std::chrono::steady_clock::now() + ShowTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        XWindowAttributes attributes;
        if (!Trapped([&] { XGetWindowAttributes(Dpy, window, &attributes); }))
            return;
        if (attributes.map_state == IsViewable)
            return;
        pollfd handle{ConnectionNumber(Dpy), POLLIN, 0};
        poll(&handle, 1, ShowPollMs);
    }
}

TWindowSystem::TWindowSystem(TEventLoop& loop) : Impl(std::make_unique<TImpl>(loop))
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        throw EWindowSystemError(name && *name ? "cannot open X display \"" + std::string(name) + "\""
                                               : std::string("no X display (DISPLAY is not set)"));
    }
    TImpl& impl = *Impl;
    impl.Dpy = display;
    XSetErrorHandler(NoteXError);
    impl.Screen = DefaultScreen(display);
    impl.Root = RootWindow(display, impl.Screen);
    auto atom = [&](const char* name) { return XInternAtom(display, name, False); };
    impl.WmProtocols = atom("WM_PROTOCOLS");
    impl.WmDeleteWindow = atom("WM_DELETE_WINDOW");
    impl.NetWmName = atom("_NET_WM_NAME");
    impl.Utf8String = atom("UTF8_STRING");
    impl.NetWmState = atom("_NET_WM_STATE");
    impl.NetWmStateFullscreen = atom("_NET_WM_STATE_FULLSCREEN");
    impl.NetWmStateAbove = atom("_NET_WM_STATE_ABOVE");
    impl.NetActiveWindow = atom("_NET_ACTIVE_WINDOW");
    impl.NetWmPid = atom("_NET_WM_PID");
    impl.MotifWmHints = atom("_MOTIF_WM_HINTS");
    static const char noBits[1] = {0};
    const Pixmap empty = XCreateBitmapFromData(display, impl.Root, noBits, 1, 1);
    XColor black{};
    impl.Blank = XCreatePixmapCursor(display, empty, empty, &black, &black, 0, 0);
    XFreePixmap(display, empty);
    loop.AddEventSource(Impl.get());
    OpenSystem = this;
}

TWindowSystem::~TWindowSystem()
{
    if (OpenSystem == this)
        OpenSystem = nullptr;
    Impl->Loop.RemoveEventSource(Impl.get());
    const std::vector<std::pair<Window, TImpl::TOurWindow>> remaining(Impl->Ours.begin(), Impl->Ours.end());
    for (const auto& [window, info] : remaining)
        Impl->Loop.DestroyWindow(window);
    XFreeCursor(Impl->Dpy, Impl->Blank);
    XCloseDisplay(Impl->Dpy);
}

TWindowSystem* TWindowSystem::Current() { return OpenSystem; }

TWindowSize TWindowSystem::PrimaryScreenSize() const
{
    return {DisplayWidth(Impl->Dpy, Impl->Screen), DisplayHeight(Impl->Dpy, Impl->Screen)};
}

bool TWindowSystem::GetClientSize(TWindow window, TWindowSize& size) const
{
    XWindowAttributes attributes;
    Status status = 0;
    if (!Impl->Trapped([&] { status = XGetWindowAttributes(Impl->Dpy, window, &attributes); }) || status == 0)
        return false;
    size = {attributes.width, attributes.height};
    return true;
}

TPoint TWindowSystem::GetCursorPos() const
{
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    XQueryPointer(Impl->Dpy, Impl->Root, &root, &child, &rootX, &rootY, &x, &y, &mask);
    return {rootX, rootY};
}

TWindow TWindowSystem::ScreenSaverWindow() const
{
    const char* named = std::getenv(ScreenSaverWindowVariable);
    if (!named)
        return 0;
    const auto window = ParseWindowId(named);
    return window && Impl->Exists(*window) ? *window : 0;
}

TWindow TWindowSystem::FindWindow(const std::string& className, const std::string& title) const
{
    Display* display = Impl->Dpy;
    auto matches = [&](Window window) {
        bool found = false;
        Impl->Trapped([&] {
            XClassHint hint{};
            char* name = nullptr;
            if (XGetClassHint(display, window, &hint)) {
                found = hint.res_class && className == hint.res_class;
                XFree(hint.res_name);
                XFree(hint.res_class);
            }
            if (found && XFetchName(display, window, &name) && name) {
                found = title == name;
                XFree(name);
            } else {
                found = found && title.empty();
            }
        });
        return found;
    };
    auto children = [&](Window window) {
        std::vector<Window> list;
        Impl->Trapped([&] {
            Window root = 0, parent = 0, *kids = nullptr;
            unsigned int count = 0;
            if (XQueryTree(display, window, &root, &parent, &kids, &count) && kids) {
                list.assign(kids, kids + count);
                XFree(kids);
            }
        });
        return list;
    };
    // A reparenting window manager puts top-level windows one level down, in its frames.
    for (Window top : children(Impl->Root)) {
        if (matches(top))
            return top;
        for (Window inner : children(top))
            if (matches(inner))
                return inner;
    }
    return 0;
}

TWindow TWindowSystem::CreateWindow(const TCreateWindowParams& requested, TWindowProc proc)
{
    TImpl& impl = *Impl;
    const TCreateWindowParams& params = requested;
    const Window parent = params.Parent != 0 ? params.Parent : impl.Root;
    const bool fullScreen = params.FullScreen && params.Parent == 0;
    const bool topLevel = parent == impl.Root;
    const bool ourParent = impl.Ours.contains(parent);
    if (!topLevel && !impl.Exists(parent))
        return 0;
    if (params.Width <= 0 || params.Height <= 0)
        return 0;

    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(impl.Dpy, impl.Screen);
    attributes.border_pixel = 0;
    attributes.event_mask = DrawingMask | (params.TakesInput ? InputMask : (ourParent ? ChildMask : 0));
    Window window = 0;
    if (!impl.Trapped([&] {
            window = XCreateWindow(impl.Dpy, parent, 0, 0, static_cast<unsigned>(params.Width),
                                   static_cast<unsigned>(params.Height), 0, CopyFromParent, InputOutput,
                                   CopyFromParent, CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
        }) ||
        window == 0)
        return 0;
    impl.Describe(window, params, topLevel, fullScreen);
    if (!topLevel && !ourParent) {
        // Another program's window: when it goes, ours goes with it.
        auto& inside = impl.WatchedParents[parent];
        if (inside.empty())
            impl.Trapped([&] { XSelectInput(impl.Dpy, parent, StructureNotifyMask); });
        inside.push_back(window);
    }
    // Other connections (the scene's drawing, size queries) must see the window
    // from WM_CREATE on.
    XSync(impl.Dpy, False);
    // Inside another program's window we fill it for as long as we live.
    impl.Ours[window] = TImpl::TOurWindow{parent, !topLevel && !ourParent};
    impl.Loop.RegisterWindow(window, ourParent ? parent : 0, std::move(proc), [this, window] { Impl->Release(window); });
    // As on Windows, a window whose WM_CREATE answers -1 is destroyed again and
    // never shown; so is one whose procedure let an error out.
    intptr_t created = 0;
    try {
        created = impl.Loop.SendMessage(window, WM_CREATE, 0, 0);
    } catch (...) {
        impl.Loop.DestroyWindow(window);
        throw;
    }
    if (created == CreateRefused)
        impl.Loop.DestroyWindow(window);
    if (!impl.Loop.IsWindow(window))
        return 0;
    ShowWindow(window, true);
    return window;
}

TWindow TWindowSystem::CreateChildWindow(TWindow parent, TWindowProc proc)
{
    TWindowSize size;
    if (!Impl->Ours.contains(parent) || !GetClientSize(parent, size))
        return 0;
    TCreateWindowParams params;
    params.Parent = parent;
    params.Width = size.Width;
    params.Height = size.Height;
    params.TakesInput = false;
    const TWindow child = CreateWindow(params, std::move(proc));
    if (auto found = Impl->Ours.find(child); found != Impl->Ours.end())
        found->second.FillsParent = true;
    return child;
}

void TWindowSystem::ShowWindow(TWindow window, bool show)
{
    if (!Impl->IsOurs(window))
        return;
    Impl->Loop.SendMessage(window, WM_SHOWWINDOW, show ? 1 : 0, 0);
    if (!Impl->IsOurs(window))
        return;
    if (show)
        XMapRaised(Impl->Dpy, window);
    else
        XUnmapWindow(Impl->Dpy, window);
    XFlush(Impl->Dpy);
}

void TWindowSystem::SetForegroundWindow(TWindow window)
{
    TImpl& impl = *Impl;
    if (!impl.IsOurs(window))
        return;
    impl.WaitUntilViewable(window);
    impl.Trapped([&] {
        XRaiseWindow(impl.Dpy, window);
        XSetInputFocus(impl.Dpy, window, RevertToPointerRoot, CurrentTime);
    });
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = impl.NetActiveWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;   // from an ordinary application
    XSendEvent(impl.Dpy, impl.Root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(impl.Dpy);
    // A child that took the focus while the window was made keeps it.
    if (!impl.IsOurs(impl.Focus) || !impl.IsWithin(impl.Focus, window))
        impl.Focus = window;
}

void TWindowSystem::SetTopmost(TWindow window, bool topmost)
{
    if (!Impl->IsOurs(window))
        return;
    Impl->SetNetWmState(window, topmost ? NetWmStateAdd : NetWmStateRemove, Impl->NetWmStateAbove);
    if (topmost)
        XRaiseWindow(Impl->Dpy, window);
    XFlush(Impl->Dpy);
}

void TWindowSystem::HideCursor(TWindow window)
{
    if (!Impl->IsOurs(window))
        return;
    XDefineCursor(Impl->Dpy, window, Impl->Blank);
    XFlush(Impl->Dpy);
}

TWindow TWindowSystem::SetFocus(TWindow window)
{
    const TWindow previous = Impl->Focus;
    Impl->Focus = window;
    return previous;
}

TWindow TWindowSystem::GetFocus() const { return Impl->Focus; }

intptr_t TWindowSystem::DefWindowProc(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case WM_CLOSE:
        Impl->Loop.DestroyWindow(window);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        // A key the focused child leaves alone is its parent's to judge.
        if (const TWindow parent = Impl->Loop.GetParent(window))
            return Impl->Loop.SendMessage(parent, message, wParam, lParam);
        return 0;
    default:
        return 0;
    }
}

void* TWindowSystem::NativeDisplay() const { return Impl->Dpy; }
