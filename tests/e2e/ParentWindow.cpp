// Plays another program's window for the end-to-end tests: makes a mapped
// top-level window of the given size, prints its id in decimal, then obeys
// lines on standard input: "destroy" destroys the window (answering
// "destroyed"); end of input ends the program.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {
constexpr unsigned long Grey = 0x404040;
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    const unsigned width = static_cast<unsigned>(std::atoi(argv[1]));
    const unsigned height = static_cast<unsigned>(std::atoi(argv[2]));
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 50, 50, width, height, 0, 0, Grey);
    XStoreName(display, window, "Preview parent");
    XMapWindow(display, window);
    XSync(display, False);
    std::cout << window << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "destroy" && window) {
            XDestroyWindow(display, window);
            XSync(display, False);
            window = 0;
            std::cout << "destroyed" << std::endl;
        }
    }
    XCloseDisplay(display);
    return 0;
}
