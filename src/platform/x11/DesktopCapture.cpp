#include "platform/DesktopCapture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>
#include <memory>

#include "platform/x11/XRequestsAccepted.h"

namespace {

struct TDisplayClose {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

struct TImageFree {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

// A channel read by its mask, widened or narrowed to 8 bits.
uint8_t Channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) {
        return 0;
    }
    int shift = std::countr_zero(mask);
    int bits = std::popcount(mask);
    unsigned long v = (pixel & mask) >> shift;
    return bits >= 8 ? uint8_t(v >> (bits - 8)) : uint8_t((v * 255) / ((1ul << bits) - 1));
}

}

std::optional<TBgrPixels> CaptureDesktop()
{
    std::unique_ptr<Display, TDisplayClose> display(XOpenDisplay(nullptr));
    if (!display) {
        return std::nullopt;
    }
    int screen = DefaultScreen(display.get());
    int width = DisplayWidth(display.get(), screen);
    int height = DisplayHeight(display.get(), screen);
    // A refused request shows as a missing image.
    std::unique_ptr<XImage, TImageFree> image;
    XRequestsAccepted(display.get(), [&] {
        image.reset(XGetImage(display.get(), RootWindow(display.get(), screen), 0, 0, unsigned(width), unsigned(height),
                              AllPlanes, ZPixmap));
    });
    if (!image) {
        return std::nullopt;
    }
    TBgrPixels pixels;
    pixels.Width = width;
    pixels.Height = height;
    pixels.Bgr.resize(size_t(width) * size_t(height) * 3);
    bool direct = image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 &&
                  image->blue_mask == 0xFF && image->byte_order == LSBFirst;
    for (int y = 0; y < height; ++y) {
        uint8_t* out = pixels.Bgr.data() + size_t(y) * size_t(width) * 3;
        const auto* row = reinterpret_cast<const uint8_t*>(image->data) + size_t(y) * size_t(image->bytes_per_line);
        for (int x = 0; x < width; ++x, out += 3) {
            if (direct) {
                out[0] = row[4 * x];
                out[1] = row[4 * x + 1];
                out[2] = row[4 * x + 2];
                continue;
            }
            unsigned long pixel = XGetPixel(image.get(), x, y);
            out[0] = Channel(pixel, image->blue_mask);
            out[1] = Channel(pixel, image->green_mask);
            out[2] = Channel(pixel, image->red_mask);
        }
    }
    return pixels;
}
