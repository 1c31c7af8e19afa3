#include "platform/Screen.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/MonitorChoice.h"

namespace {

struct TDisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using TDisplayPtr = std::unique_ptr<Display, TDisplayCloser>;

TDisplayPtr OpenDisplay()
{
    TDisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        throw EScreenError(name && *name ? "cannot open X display \"" + std::string(name) + "\""
                                         : std::string("no X display (DISPLAY is not set)"));
    }
    return display;
}

// Xlib's default handler ends the process on any protocol error; a window
// that vanished under us must only fail the query.
bool QueryFailed = false;

int NoteQueryError(Display*, XErrorEvent*)
{
    QueryFailed = true;
    return 0;
}

}

TPixelSize PrimaryScreenSize()
{
    const TDisplayPtr display = OpenDisplay();
    const int screen = DefaultScreen(display.get());
    return {DisplayWidth(display.get(), screen), DisplayHeight(display.get(), screen)};
}

namespace {

XWindowAttributes WindowAttributes(Display* display, uintptr_t window)
{
    XWindowAttributes attributes{};
    QueryFailed = false;
    const auto previousHandler = XSetErrorHandler(NoteQueryError);
    const Status status = XGetWindowAttributes(display, static_cast<Window>(window), &attributes);
    XSync(display, False);
    XSetErrorHandler(previousHandler);
    if (!status || QueryFailed)
        throw EScreenError("window " + std::to_string(window) + " does not exist");
    return attributes;
}

struct TMonitorsFree {
    void operator()(XRRMonitorInfo* monitors) const { XRRFreeMonitors(monitors); }
};

}

TPixelSize MonitorSizeAround(uintptr_t window)
{
    const TDisplayPtr display = OpenDisplay();
    Display* dpy = display.get();
    const XWindowAttributes attributes = WindowAttributes(dpy, window);
    const Window root = attributes.root;
    const TScreenArea whole{0, 0, WidthOfScreen(attributes.screen), HeightOfScreen(attributes.screen)};
    TScreenArea area{0, 0, attributes.width, attributes.height};
    Window child = 0;
    std::vector<TScreenArea> monitors;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    // Monitors came with RandR 1.5; without them the whole screen is the one.
    if (XTranslateCoordinates(dpy, static_cast<Window>(window), root, 0, 0, &area.Left, &area.Top, &child) &&
        XRRQueryExtension(dpy, &eventBase, &errorBase) && XRRQueryVersion(dpy, &major, &minor) &&
        (major > 1 || minor >= 5)) {
        int count = 0;
        const std::unique_ptr<XRRMonitorInfo, TMonitorsFree> found(XRRGetMonitors(dpy, root, True, &count));
        for (int i = 0; found && i < count; ++i) {
            const XRRMonitorInfo& monitor = found.get()[i];
            monitors.push_back({monitor.x, monitor.y, monitor.width, monitor.height});
        }
    }
    const TScreenArea chosen = MonitorAround(area, monitors, whole);
    return {chosen.Width, chosen.Height};
}

TPixelSize WindowClientSize(uintptr_t window)
{
    const TDisplayPtr display = OpenDisplay();
    const XWindowAttributes attributes = WindowAttributes(display.get(), window);
    return {attributes.width, attributes.height};
}
