#include "render/backends/cpu/TCpuRenderBackend.h"

#include <algorithm>
#include <cstring>

#include "render/backends/sdl/SdlDisplayModes.h"

namespace {

constexpr uint32_t TexelFormat = SDL_PIXELFORMAT_ARGB8888;
constexpr uint32_t BackFormat = SDL_PIXELFORMAT_RGB888;
// Frames between two presents of the whole surface, which mend anything the
// window lost without telling us (every ten seconds at the frame rate).
// Exposure is told and answered at once; this is only the safety net, and a
// whole screen sent to the X server costs it as much as a dozen ordinary
// frames.
constexpr int FullPresentFrames = 250;
// SDL sends each rectangle of a window surface's update as a request of its
// own, which costs the X server about as much as copying 1500 pixels
// (measured under Xvfb: about 0.3 us a request against 0.2 ns a pixel), and
// each of its rows as much as the shared image's do.
constexpr TDamageRegion::TSendCost SdlSendCost{1536, TShmPresenter::RowPixels};
constexpr TDamageRegion::TSendCost ShmSendCost{TShmPresenter::RectPixels, TShmPresenter::RowPixels};

// Window surfaces laid out like the back surface take rows as they are.
bool SameLayout(const SDL_Surface* surface) {
  const SDL_PixelFormat* f = surface->format;
  return f->BytesPerPixel == 4 && f->Rmask == 0x00FF0000 && f->Gmask == 0x0000FF00 && f->Bmask == 0x000000FF;
}

}  // namespace

TCpuRenderBackend::TCpuRenderBackend(int threads, TSpanKernel kernel) : TCompositingBackend(threads, kernel, TexelFormat) {}

TCpuRenderBackend::~TCpuRenderBackend() { ReleaseTarget(); }

std::vector<TDisplayMode> TCpuRenderBackend::DisplayModes(void* nativeWindow) {
  return ListSdlDisplayModes(static_cast<SDL_Window*>(nativeWindow));
}

bool TCpuRenderBackend::SetDisplayMode(void* nativeWindow, const TDisplayMode& wanted) {
  auto* window = static_cast<SDL_Window*>(nativeWindow);
  // The switch may take the window's surface away.
  compositor_.UseOwnMemory();
  if (!SwitchSdlDisplayMode(window, wanted)) return false;
  window_ = window;
  fullScreen_ = true;
  return true;
}

TTargetResult TCpuRenderBackend::CreateTarget(const TTargetRequest& request) {
  TTargetResult result;
  auto* window = static_cast<SDL_Window*>(request.NativeWindow);
  if (!window) {
    result.Failure = TTargetFailure::PrimarySurface;
    return result;
  }
  window_ = window;
  fullScreen_ = fullScreen_ && request.FullScreen;
  // Left to itself SDL would show a window surface through an OpenGL texture,
  // which on a software rasteriser costs more than the whole frame; the
  // video driver's own framebuffer (shared memory on X11) is what we want.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  compositor_.Resize(std::max(request.Width, 1), std::max(request.Height, 1));
  presenter_ = TShmPresenter::Open(window);
  // Into the window's surface from the first frame on, when it fits.
  if (SDL_Surface* surface = WindowSurface()) {
    if (DrawsInWindow(surface, TRect{0, 0, surface->w, surface->h})) {
      compositor_.UseMemory(static_cast<uint32_t*>(surface->pixels));
    }
  }
  hasTarget_ = true;
  shownSurface_ = nullptr;
  exposed_ = true;
  if (!watching_) SDL_AddEventWatch(&TCpuRenderBackend::WatchEvents, this);
  watching_ = true;
  // Everything lives in system memory and nothing is hardware.
  result.SystemMemory = true;
  return result;
}

int TCpuRenderBackend::WatchEvents(void* self, SDL_Event* event) {
  auto* backend = static_cast<TCpuRenderBackend*>(self);
  if (event->type != SDL_WINDOWEVENT || !backend->window_ || event->window.windowID != SDL_GetWindowID(backend->window_)) {
    return 0;
  }
  switch (event->window.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESIZED:
      backend->surfaceMayChange_ = true;
      backend->exposed_ = true;
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
      backend->exposed_ = true;
      break;
    default:
      break;
  }
  return 0;
}

void TCpuRenderBackend::StopWatching() {
  if (watching_) SDL_DelEventWatch(&TCpuRenderBackend::WatchEvents, this);
  watching_ = false;
}

void TCpuRenderBackend::ReleaseTarget() {
  StopWatching();
  shownSurface_ = nullptr;
  if (hasTarget_) compositor_.Resize(0, 0);
  presenter_.reset();
  hasTarget_ = false;
  if (window_ && fullScreen_) SDL_SetWindowFullscreen(window_, 0);
  fullScreen_ = false;
  window_ = nullptr;
}

bool TCpuRenderBackend::DrawsInWindow(const SDL_Surface* surface, const TRect& dest) const {
  return SameLayout(surface) && !SDL_MUSTLOCK(surface) && surface->pitch == surface->w * 4 &&
         surface->w == compositor_.Width() && surface->h == compositor_.Height() &&
         dest == TRect{0, 0, surface->w, surface->h};
}

bool TCpuRenderBackend::PresentInPlace(SDL_Surface* surface, const TRect& dest) {
  const TRect window{0, 0, surface->w, surface->h};
  // Drawn where the window shows it, the frame is finished before its damage
  // is read: the bands then note the turned bubbles' rows as they draw them.
  const bool inPlace = compositor_.Pixels() == surface->pixels;
  if (inPlace) compositor_.Flush();
  // The changed parts of the back surface, where they land in the window.
  windowRects_.clear();
  TDamageRegion& damage = compositor_.PresentDamage();
  for (const TRect& changed : damage.Rects(presenter_ ? ShmSendCost : SdlSendCost)) {
    const TRect to{std::max(changed.Left + dest.Left, window.Left), std::max(changed.Top + dest.Top, window.Top),
                   std::min(changed.Right + dest.Left, window.Right), std::min(changed.Bottom + dest.Top, window.Bottom)};
    if (to.Right > to.Left && to.Bottom > to.Top) windowRects_.push_back(SDL_Rect{to.Left, to.Top, to.Width(), to.Height()});
  }
  damage.Reset();
  if (inPlace) return true;
  int64_t shown = 0;
  for (const SDL_Rect& to : windowRects_) shown += int64_t(to.w) * to.h;
  auto* base = static_cast<uint8_t*>(surface->pixels);
  // Each band goes to the window as soon as it is final, while it is still
  // in the cache of the thread that drew it.
  compositor_.Flush([&](int top, int bottom, int) {
    for (const SDL_Rect& to : windowRects_) {
      const int first = std::max(top + dest.Top, to.y);
      const int last = std::min(bottom + dest.Top, to.y + to.h);
      for (int row = first; row < last; ++row) {
        auto* out = reinterpret_cast<uint32_t*>(base + static_cast<ptrdiff_t>(row) * surface->pitch) + to.x;
        std::memcpy(out, compositor_.Row(row - dest.Top) + (to.x - dest.Left), static_cast<size_t>(to.w) * 4);
      }
    }
  }, shown);
  return true;
}

SDL_Surface* TCpuRenderBackend::WindowSurface() {
  if (!presenter_) return SDL_GetWindowSurface(window_);
  int width = 0, height = 0;
  SDL_GetWindowSize(window_, &width, &height);
  // An image of another size is made anew: the frame is taken out first.
  if (!presenter_->Fits(width, height)) compositor_.UseOwnMemory();
  return presenter_->Surface(width, height);
}

bool TCpuRenderBackend::Present(const TRect& dest, bool) {
  if (!hasTarget_ || !window_) return false;
  // Nothing is drawn into the shared image while the server reads it.
  if (presenter_) presenter_->WaitUntilRead();
  // SDL makes the window's surface anew after a change of size, and frees
  // the old one as it does: the frame is taken out of it first.
  if (surfaceMayChange_.exchange(false)) compositor_.UseOwnMemory();
  SDL_Surface* surface = WindowSurface();
  const bool fresh = !surface || surface != shownSurface_ || surface->pixels != shownPixels_ ||
                     surface->w != shownWidth_ || surface->h != shownHeight_ || !(dest == shownDest_);
  if (!compositor_.InOwnMemory() && (!surface || surface->pixels != compositor_.Pixels())) {
    // A surface that went without notice took the frame with it.
    compositor_.Resize(compositor_.Width(), compositor_.Height());
  }
  if (!surface) {
    compositor_.Flush();
    return false;
  }
  bool whole = fresh || exposed_.exchange(false) || ++framesSinceFull_ >= FullPresentFrames;
  // A window surface laid out like the back surface and as large becomes
  // the back surface: frames are drawn where the window shows them, with no
  // copy and no second screen-sized buffer.
  const bool drawInWindow = DrawsInWindow(surface, dest);
  if (drawInWindow && compositor_.InOwnMemory()) {
    compositor_.UseMemory(static_cast<uint32_t*>(surface->pixels));
    whole = true;
  } else if (!drawInWindow) {
    compositor_.UseOwnMemory();
  }
  if (whole) {
    framesSinceFull_ = 0;
    compositor_.PresentDamage().AddAll();
    const bool covers = dest.Left <= 0 && dest.Top <= 0 && dest.Right >= surface->w && dest.Bottom >= surface->h;
    if (!covers) SDL_FillRect(surface, nullptr, 0);
  }
  shownSurface_ = surface;
  shownPixels_ = surface->pixels;
  shownWidth_ = surface->w;
  shownHeight_ = surface->h;
  shownDest_ = dest;
  if (SDL_LockSurface(surface) != 0) {
    compositor_.Flush();
    shownSurface_ = nullptr;
    return false;
  }
  bool shown = false;
  if (SameLayout(surface)) {
    shown = PresentInPlace(surface, dest);
    SDL_UnlockSurface(surface);
  } else {
    SDL_UnlockSurface(surface);
    compositor_.Flush();
    compositor_.PresentDamage().Reset();
    whole = true;
    SDL_Surface* back = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(compositor_.Pixels()),
                                                           compositor_.Width(), compositor_.Height(), 32,
                                                           compositor_.Width() * 4, BackFormat);
    if (back) {
      SDL_SetSurfaceBlendMode(back, SDL_BLENDMODE_NONE);
      SDL_Rect to{dest.Left, dest.Top, dest.Width(), dest.Height()};
      shown = SDL_BlitSurface(back, nullptr, surface, &to) == 0;
      SDL_FreeSurface(back);
    }
  }
  if (presenter_) {
    if (whole) windowRects_.assign(1, SDL_Rect{0, 0, surface->w, surface->h});
    return presenter_->Show(windowRects_.data(), static_cast<int>(windowRects_.size())) && shown;
  }
  if (whole) return SDL_UpdateWindowSurface(window_) == 0 && shown;
  if (windowRects_.empty()) return shown;
  return SDL_UpdateWindowSurfaceRects(window_, windowRects_.data(), static_cast<int>(windowRects_.size())) == 0 &&
         shown;
}

bool TCpuRenderBackend::ReadBackSurface(std::vector<uint32_t>& pixels, int& width, int& height) {
  if (!hasTarget_) return false;
  if (presenter_) presenter_->WaitUntilRead();
  compositor_.Flush();
  width = compositor_.Width();
  height = compositor_.Height();
  pixels.assign(compositor_.Pixels(), compositor_.Pixels() + static_cast<size_t>(width) * static_cast<size_t>(height));
  return true;
}

std::string TCpuRenderBackend::Description() const {
  return std::string("cpu (") + SpanKernelName(compositor_.Kernel()) + ", " + std::to_string(compositor_.Threads()) +
         (compositor_.Threads() == 1 ? " thread)" : " threads)");
}
