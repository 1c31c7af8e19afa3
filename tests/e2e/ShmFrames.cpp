// Shows frames in a window through TShmPresenter, as the saver does, and
// checks that the window ends up showing exactly the last one: first a whole
// frame, then frames that change a few rectangles each (written only once
// the server has read the one before), then all again after the window
// changed size. Prints what differs and exits 1 when something does.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <random>
#include <vector>

#include "render/backends/x11/TShmPresenter.h"

namespace {

constexpr int Frames = 60;

Window NativeWindow(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 ? info.info.x11.window : 0;
}

void Fill(SDL_Surface* surface, const SDL_Rect& rect, uint32_t seed) {
  for (int y = rect.y; y < rect.y + rect.h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch);
    for (int x = rect.x; x < rect.x + rect.w; ++x) row[x] = (seed * 2654435761u + uint32_t(x * 7 + y * 13)) & 0xFFFFFF;
  }
}

// Compares what the server shows in the window with the surface.
bool WindowShows(Display* display, Window window, const SDL_Surface* surface, const char* when) {
  XImage* image = XGetImage(display, window, 0, 0, unsigned(surface->w), unsigned(surface->h), AllPlanes, ZPixmap);
  if (!image) {
    std::fprintf(stderr, "%s: cannot read the window back\n", when);
    return false;
  }
  int wrong = 0;
  for (int y = 0; y < surface->h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch);
    for (int x = 0; x < surface->w; ++x) {
      const uint32_t shown = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
      if (shown != (row[x] & 0xFFFFFF) && wrong++ < 5) {
        std::fprintf(stderr, "%s: (%d, %d) shows %06X, drawn %06X\n", when, x, y, shown, row[x] & 0xFFFFFF);
      }
    }
  }
  XDestroyImage(image);
  return wrong == 0;
}

// Draws a whole frame and then Frames of changes, and checks the window.
bool ShowFrames(TShmPresenter& presenter, SDL_Window* window, Display* display, std::mt19937& random,
                const char* when) {
  int width = 0, height = 0;
  SDL_GetWindowSize(window, &width, &height);
  SDL_Surface* surface = presenter.Surface(width, height);
  if (!surface || surface->w != width || surface->h != height) {
    std::fprintf(stderr, "%s: no image of %d x %d\n", when, width, height);
    return false;
  }
  const SDL_Rect all{0, 0, width, height};
  Fill(surface, all, 1);
  presenter.Show(&all, 1);
  for (int frame = 0; frame < Frames; ++frame) {
    presenter.WaitUntilRead();
    std::vector<SDL_Rect> changed(random() % 4);
    for (SDL_Rect& rect : changed) {
      rect.x = int(random() % unsigned(width));
      rect.y = int(random() % unsigned(height));
      rect.w = 1 + int(random() % unsigned(width - rect.x));
      rect.h = 1 + int(random() % unsigned(height - rect.y));
      Fill(surface, rect, uint32_t(frame + 2));
    }
    presenter.Show(changed.data(), int(changed.size()));
  }
  presenter.WaitUntilRead();
  return WindowShows(display, NativeWindow(window), surface, when);
}

}  // namespace

int main() {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "no video: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window = SDL_CreateWindow("shm frames", 0, 0, 200, 150, SDL_WINDOW_SHOWN);
  Display* display = XOpenDisplay(nullptr);
  if (!window || !display) {
    std::fprintf(stderr, "no window or display\n");
    return 1;
  }
  auto presenter = TShmPresenter::Open(window);
  if (!presenter) {
    std::fprintf(stderr, "the server on this machine shares no memory with us\n");
    return 1;
  }
  std::mt19937 random(17);
  bool right = ShowFrames(*presenter, window, display, random, "first size");
  SDL_SetWindowSize(window, 260, 110);
  SDL_PumpEvents();
  right = ShowFrames(*presenter, window, display, random, "after a change of size") && right;
  presenter.reset();
  XCloseDisplay(display);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return right ? 0 : 1;
}
