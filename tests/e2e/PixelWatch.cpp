// Watches one pixel of the screen for the end-to-end tests: reads it from the
// root window about every millisecond for the given seconds and prints a line
// "MILLISECONDS RRGGBB" whenever its colour changes (the first reading too),
// milliseconds counted from the start.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
constexpr auto PollInterval = std::chrono::milliseconds(1);
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s X Y SECONDS\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(std::atof(argv[3]));
    const Window root = DefaultRootWindow(display);
    long last = -1;
    while (std::chrono::steady_clock::now() < end) {
        XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) {
            std::fprintf(stderr, "%s: cannot read the screen at %d,%d\n", argv[0], x, y);
            return 1;
        }
        const long pixel = static_cast<long>(XGetPixel(image, 0, 0) & 0xFFFFFF);
        XDestroyImage(image);
        if (pixel != last) {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            std::printf("%lld %06lx\n", static_cast<long long>(ms.count()), pixel);
            std::fflush(stdout);
            last = pixel;
        }
        std::this_thread::sleep_for(PollInterval);
    }
    XCloseDisplay(display);
    return 0;
}
