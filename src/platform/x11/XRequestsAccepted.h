#pragma once
#include <X11/Xlib.h>

// Runs the requests `work` makes on `display` with the server's protocol
// errors noted instead of handled, and answers whether it accepted them all.
// Xlib's default handler ends the process on any error, yet a window may
// vanish under us (a preview's parent, a window found by the search) and a
// server may refuse a request (shared memory from another machine). The
// handler is the process's: for the user-interface thread only.
namespace x11_detail {
inline bool& ErrorNoted()
{
    static bool noted = false;
    return noted;
}
inline int NoteError(Display*, XErrorEvent*)
{
    ErrorNoted() = true;
    return 0;
}
}

template <class TWork>
bool XRequestsAccepted(Display* display, TWork work)
{
    XSync(display, False);
    x11_detail::ErrorNoted() = false;
    XErrorHandler previous = XSetErrorHandler(x11_detail::NoteError);
    work();
    XSync(display, False);
    XSetErrorHandler(previous);
    return !x11_detail::ErrorNoted();
}
