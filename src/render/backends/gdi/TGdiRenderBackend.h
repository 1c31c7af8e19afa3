#pragma once
#include <memory>
#include <string>
#include <vector>

#include "render/backends/cpu/TCompositingBackend.h"

struct TGdiWindow;

// The device's backend on Windows: the frame is composed in system memory by
// TCpuCompositor and shown through GDI (SetDIBitsToDevice, StretchDIBits when
// the frame is shown at another size). Only what changed since the last
// present is sent to the window, and all of it after the window was exposed
// or every second in any case. The native window a control hands over is a
// TGdiWindow.
//
// Display modes are never changed: a full-screen saver is a borderless window
// over the desktop at the desktop's own mode, and a frame of another size is
// stretched onto it. Switching modes on today's flat panels blanks the screen
// for seconds and rearranges the user's other windows.
class TGdiRenderBackend : public TCompositingBackend {
 public:
  // One thread by default: the compositor's worker pool waits on condition
  // variables that MinGW's thread library was seen to leave hanging (under
  // Wine, on the first frame), and a saver that stops drawing is worse than
  // a slower one.
  explicit TGdiRenderBackend(int threads = 1, TSpanKernel kernel = TSpanKernel::Best);
  ~TGdiRenderBackend() override;
  TGdiRenderBackend(const TGdiRenderBackend&) = delete;
  TGdiRenderBackend& operator=(const TGdiRenderBackend&) = delete;

  std::vector<TDisplayMode> DisplayModes(void* nativeWindow) override;
  bool SetDisplayMode(void* nativeWindow, const TDisplayMode& mode) override;
  TTargetResult CreateTarget(const TTargetRequest& request) override;
  void ReleaseTarget() override;
  bool Present(const TRect& dest, bool waitVBlank) override;

  // "gdi" with the instruction set and thread count, for the start-up line.
  std::string Description() const;
  // What the last present sent to the window: the whole frame, or this many
  // changed rectangles (none when nothing changed).
  bool LastPresentWhole() const { return lastWhole_; }
  size_t LastPresentRects() const { return lastRects_; }

 private:
  TGdiWindow* window_ = nullptr;
  TRect shownDest_;
  int framesSinceFull_ = 0;
  bool lastWhole_ = false;
  size_t lastRects_ = 0;
};
