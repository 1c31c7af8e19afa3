#include "render/backends/gdi/TGdiRenderBackend.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/Windows.h"
#include "render/backends/gdi/GdiWindow.h"

namespace {

// The texel layout, 0xAARRGGBB in a 32-bit word; the back surface is the same
// without alpha, which is also what a 32-bit DIB holds.
constexpr uint32_t TexelFormat = 1;
// Frames between two presents of the whole surface, which mend anything the
// window lost without telling us (one a second at the frame rate).
constexpr int FullPresentFrames = 25;
// Each changed rectangle is a call of its own into the system, which costs
// about as much as copying a few thousand pixels, and each of its rows
// starts somewhere new in memory.
constexpr TDamageRegion::TSendCost GdiSendCost{2048, 128};

BITMAPINFO BackSurfaceInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

TGdiRenderBackend::TGdiRenderBackend(int threads, TSpanKernel kernel) : TCompositingBackend(threads, kernel, TexelFormat) {}

TGdiRenderBackend::~TGdiRenderBackend() { ReleaseTarget(); }

std::vector<TDisplayMode> TGdiRenderBackend::DisplayModes(void*) {
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return {};
  return {TDisplayMode{static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight),
                       static_cast<int>(mode.dmBitsPerPel)}};
}

bool TGdiRenderBackend::SetDisplayMode(void*, const TDisplayMode&) { return true; }

TTargetResult TGdiRenderBackend::CreateTarget(const TTargetRequest& request) {
  TTargetResult result;
  auto* window = static_cast<TGdiWindow*>(request.NativeWindow);
  if (!window || !window->Window) {
    result.Failure = TTargetFailure::PrimarySurface;
    return result;
  }
  window_ = window;
  window_->Exposed = true;
  compositor_.Resize(std::max(request.Width, 1), std::max(request.Height, 1));
  hasTarget_ = true;
  // Everything lives in system memory and nothing is hardware.
  result.SystemMemory = true;
  return result;
}

void TGdiRenderBackend::ReleaseTarget() {
  if (hasTarget_) compositor_.Resize(0, 0);
  hasTarget_ = false;
  window_ = nullptr;
}

bool TGdiRenderBackend::Present(const TRect& dest, bool) {
  if (!hasTarget_ || !window_) return false;
  compositor_.Flush();
  TDamageRegion& damage = compositor_.PresentDamage();
  HWND window = static_cast<HWND>(window_->Window);
  HDC dc = GetDC(window);
  if (!dc) return false;
  const int width = compositor_.Width();
  const int height = compositor_.Height();
  const BITMAPINFO info = BackSurfaceInfo(width, height);
  const bool sameSize = dest.Width() == width && dest.Height() == height;
  const bool whole = window_->Exposed.exchange(false) || !(dest == shownDest_) || !sameSize ||
                     ++framesSinceFull_ >= FullPresentFrames;
  bool shown = true;
  lastWhole_ = whole;
  lastRects_ = 0;
  if (whole) {
    framesSinceFull_ = 0;
    shownDest_ = dest;
    SetStretchBltMode(dc, COLORONCOLOR);
    shown = StretchDIBits(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), 0, 0, width, height,
                          compositor_.Pixels(), &info, DIB_RGB_COLORS, SRCCOPY) != 0;
  } else {
    // SetDIBitsToDevice counts source rows from the bottom of the image
    // even for a top-down bitmap: handing it the band's rows alone keeps
    // the arithmetic plain.
    for (const TRect& changed : damage.Rects(GdiSendCost)) {
      const int left = std::max(changed.Left, 0);
      const int top = std::max(changed.Top, 0);
      const int right = std::min(changed.Right, width);
      const int bottom = std::min(changed.Bottom, height);
      if (right <= left || bottom <= top) continue;
      const BITMAPINFO band = BackSurfaceInfo(width, bottom - top);
      shown = SetDIBitsToDevice(dc, dest.Left + left, dest.Top + top, static_cast<DWORD>(right - left),
                                static_cast<DWORD>(bottom - top), left, 0, 0, static_cast<UINT>(bottom - top),
                                compositor_.Row(top), &band, DIB_RGB_COLORS) != 0 &&
              shown;
      ++lastRects_;
    }
  }
  damage.Reset();
  ReleaseDC(window, dc);
  return shown;
}

std::string TGdiRenderBackend::Description() const {
  return std::string("gdi (") + SpanKernelName(compositor_.Kernel()) + ", " + std::to_string(compositor_.Threads()) +
         (compositor_.Threads() == 1 ? " thread)" : " threads)");
}
