#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "render/IRenderBackend.h"
#include "render/backends/cpu/TCpuCompositor.h"

// What every backend that composes frames in system memory with
// TCpuCompositor shares, whatever shows the frame afterwards (SDL's window
// surface on Linux, GDI on Windows): textures of plain 0xAARRGGBB pixels
// sampled at the nearest texel, and the drawing itself. A subclass makes and
// releases the target, sets `hasTarget_`, and presents.
class TCompositingBackend : public IRenderBackend {
 public:
  // `texelFormat` is the tag the one texture format carries for this backend.
  TCompositingBackend(int threads, TSpanKernel kernel, uint32_t texelFormat);

  // The back surface is ordinary memory, which nothing can take away.
  bool IsLost() override { return !hasTarget_; }
  bool Restore() override { return hasTarget_; }
  std::vector<TTexturePixelFormat> TextureFormats() override;
  TTextureCaps TextureCaps() override;
  std::unique_ptr<IBackendTexture> CreateTexture(int width, int height, const TTexturePixelFormat& format) override;
  bool UploadTexture(IBackendTexture& texture, const void* pixels, int pitch, const uint32_t* palette) override;
  bool Clear(const TRect& rect, uint32_t color) override;
  bool CopyPlainSurface(const TPlainPixels& source, const TRect& sourceRect, int x, int y) override;
  void SetViewport(const TRect& viewport) override;
  bool DrawTriangleStrip(const TD3DTLVertex* vertices, size_t count, IBackendTexture* texture,
                         const TRenderStates& states) override;
  void FinishDrawing() override { compositor_.Flush(); }

 protected:
  TCpuCompositor compositor_;
  bool hasTarget_ = false;

 private:
  uint32_t texelFormat_;
};
