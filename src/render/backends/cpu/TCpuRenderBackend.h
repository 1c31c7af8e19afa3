#pragma once
#include <SDL.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "render/backends/cpu/TCompositingBackend.h"
#include "render/backends/x11/TShmPresenter.h"

// The device's backend for machines without graphics hardware: the frame is
// composed in system memory by TCpuCompositor and shown through a shared
// image of its own on X11 (TShmPresenter), else through SDL's window surface,
// straight in that image or surface when its layout allows. Textures are plain 0xAARRGGBB
// pixels, sampled at the nearest texel; the device never gets hardware from
// this backend, so it never asks for filtering. Only what changed since the
// last present is sent to the window, and all of it after the window was
// exposed or every ten seconds in any case. The native window a control hands
// over is an SDL_Window* without a renderer of its own.
class TCpuRenderBackend : public TCompositingBackend {
 public:
  explicit TCpuRenderBackend(int threads = 0, TSpanKernel kernel = TSpanKernel::Best);
  ~TCpuRenderBackend() override;
  TCpuRenderBackend(const TCpuRenderBackend&) = delete;
  TCpuRenderBackend& operator=(const TCpuRenderBackend&) = delete;

  std::vector<TDisplayMode> DisplayModes(void* nativeWindow) override;
  bool SetDisplayMode(void* nativeWindow, const TDisplayMode& mode) override;
  TTargetResult CreateTarget(const TTargetRequest& request) override;
  void ReleaseTarget() override;
  bool Present(const TRect& dest, bool waitVBlank) override;

  // The back surface's pixels as 0x00RRGGBB, top row first, with every draw
  // so far carried out; false when there is no target.
  bool ReadBackSurface(std::vector<uint32_t>& pixels, int& width, int& height);
  // "cpu" with the instruction set and thread count, for the start-up line.
  std::string Description() const;

 private:
  static int WatchEvents(void* self, SDL_Event* event);
  bool PresentInPlace(SDL_Surface* surface, const TRect& dest);
  // What the window shows from: the shared image, or SDL's window surface.
  SDL_Surface* WindowSurface();
  // Whether the window's surface can be the back surface itself.
  bool DrawsInWindow(const SDL_Surface* surface, const TRect& dest) const;
  void StopWatching();

  // What the window surface shows, so a present can send only the change.
  SDL_Surface* shownSurface_ = nullptr;
  void* shownPixels_ = nullptr;
  int shownWidth_ = 0;
  int shownHeight_ = 0;
  TRect shownDest_;
  int framesSinceFull_ = 0;
  std::atomic<bool> exposed_{true};
  // The window changed size since the last present, so its surface is
  // about to be made anew.
  std::atomic<bool> surfaceMayChange_{false};
  bool watching_ = false;
  std::vector<SDL_Rect> windowRects_;
  SDL_Window* window_ = nullptr;
  bool fullScreen_ = false;
  std::unique_ptr<TShmPresenter> presenter_;
};
