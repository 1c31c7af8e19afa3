#include "render/backends/gdi/TGdiRenderBackend.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/Windows.h"
#include "render/backends/cpu/TCpuTexels.h"
#include "render/backends/gdi/GdiWindow.h"

namespace {

// The texel layout, 0xAARRGGBB in a 32-bit word; the back surface is the same
// without alpha, which is also what a 32-bit DIB holds.
constexpr uint32_t TexelFormat = 1;
// Frames between two presents of the whole surface, which mend anything the
// window lost without telling us (one a second at the frame rate).
constexpr int FullPresentFrames = 25;

class TGdiTexture : public IBackendTexture {
 public:
  TGdiTexture(int width, int height) : texels_(std::make_shared<TCpuTexels>(width, height)) {}
  // Draws still waiting keep the pixels they were given; an upload while
  // they wait goes into a fresh copy.
  TCpuTexels& Writable() {
    if (texels_.use_count() > 1) texels_ = std::make_shared<TCpuTexels>(texels_->Width, texels_->Height);
    return *texels_;
  }
  std::shared_ptr<const TCpuTexels> Texels() const { return texels_; }

 private:
  std::shared_ptr<TCpuTexels> texels_;
};

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

TGdiRenderBackend::TGdiRenderBackend(int threads, TSpanKernel kernel) : compositor_(threads, kernel) {}

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

// The back surface is ordinary memory, which nothing can take away.
bool TGdiRenderBackend::IsLost() { return !hasTarget_; }

bool TGdiRenderBackend::Restore() { return hasTarget_; }

std::vector<TTexturePixelFormat> TGdiRenderBackend::TextureFormats() {
  TTexturePixelFormat format;
  format.BitCount = 32;
  format.RedMask = 0x00FF0000;
  format.GreenMask = 0x0000FF00;
  format.BlueMask = 0x000000FF;
  format.AlphaMask = 0xFF000000;
  format.BackendFormat = TexelFormat;
  return {format};
}

TTextureCaps TGdiRenderBackend::TextureCaps() {
  TTextureCaps caps;
  // Texel columns are kept in 16 bits.
  caps.MaxWidth = 1 << 15;
  caps.MaxHeight = 1 << 15;
  return caps;
}

std::unique_ptr<IBackendTexture> TGdiRenderBackend::CreateTexture(int width, int height,
                                                                  const TTexturePixelFormat& format) {
  if (!hasTarget_ || width <= 0 || height <= 0 || format.BackendFormat != TexelFormat) return nullptr;
  return std::make_unique<TGdiTexture>(width, height);
}

bool TGdiRenderBackend::UploadTexture(IBackendTexture& texture, const void* pixels, int pitch, const uint32_t*) {
  if (!pixels) return false;
  TCpuTexels& texels = static_cast<TGdiTexture&>(texture).Writable();
  const auto* rows = static_cast<const uint8_t*>(pixels);
  for (int y = 0; y < texels.Height; ++y) {
    std::memcpy(texels.Pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(texels.Width),
                rows + static_cast<ptrdiff_t>(y) * pitch, static_cast<size_t>(texels.Width) * 4);
  }
  texels.Measure();
  return true;
}

bool TGdiRenderBackend::Clear(const TRect& rect, uint32_t color) {
  if (!hasTarget_) return false;
  compositor_.Clear(rect, color);
  return true;
}

bool TGdiRenderBackend::CopyPlainSurface(const TPlainPixels& source, const TRect& sourceRect, int x, int y) {
  if (!hasTarget_) return false;
  return compositor_.Copy(source.Pixels, source.Width, source.Height, sourceRect, x, y, source.Id, source.Version);
}

void TGdiRenderBackend::SetViewport(const TRect& viewport) { compositor_.SetViewport(viewport); }

bool TGdiRenderBackend::DrawTriangleStrip(const TD3DTLVertex* vertices, size_t count, IBackendTexture* texture,
                                          const TRenderStates& states) {
  if (!hasTarget_ || !vertices || count < 3) return false;
  compositor_.DrawStrip(vertices, count, texture ? static_cast<TGdiTexture*>(texture)->Texels() : nullptr, states);
  return true;
}

bool TGdiRenderBackend::Present(const TRect& dest, bool) {
  if (!hasTarget_ || !window_) return false;
  compositor_.Flush();
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
    for (const TRect& changed : compositor_.PresentDamage().Rects()) {
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
  compositor_.PresentDamage().Reset();
  ReleaseDC(window, dc);
  return shown;
}

std::string TGdiRenderBackend::Description() const {
  return std::string("gdi (") + SpanKernelName(compositor_.Kernel()) + ", " + std::to_string(compositor_.Threads()) +
         (compositor_.Threads() == 1 ? " thread)" : " threads)");
}
