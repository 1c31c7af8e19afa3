#include "platform/Screen.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <memory>
#include <string>

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

TPixelSize WindowClientSize(uintptr_t window)
{
    const TDisplayPtr display = OpenDisplay();
    XWindowAttributes attributes{};
    QueryFailed = false;
    const auto previousHandler = XSetErrorHandler(NoteQueryError);
    const Status status = XGetWindowAttributes(display.get(), static_cast<Window>(window), &attributes);
    XSync(display.get(), False);
    XSetErrorHandler(previousHandler);
    if (!status || QueryFailed)
        throw EScreenError("window " + std::to_string(window) + " does not exist");
    return {attributes.width, attributes.height};
}
