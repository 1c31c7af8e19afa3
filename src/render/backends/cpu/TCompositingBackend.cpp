#include "render/backends/cpu/TCompositingBackend.h"

#include <cstring>

#include "render/backends/cpu/TCpuTexels.h"

namespace {

class TCompositedTexture : public IBackendTexture {
 public:
  TCompositedTexture(int width, int height) : texels_(std::make_shared<TCpuTexels>(width, height)) {}
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

}  // namespace

TCompositingBackend::TCompositingBackend(int threads, TSpanKernel kernel, uint32_t texelFormat)
    : compositor_(threads, kernel), texelFormat_(texelFormat) {}

std::vector<TTexturePixelFormat> TCompositingBackend::TextureFormats() {
  TTexturePixelFormat format;
  format.BitCount = 32;
  format.RedMask = 0x00FF0000;
  format.GreenMask = 0x0000FF00;
  format.BlueMask = 0x000000FF;
  format.AlphaMask = 0xFF000000;
  format.BackendFormat = texelFormat_;
  return {format};
}

TTextureCaps TCompositingBackend::TextureCaps() {
  TTextureCaps caps;
  // Texel columns are kept in 16 bits.
  caps.MaxWidth = 1 << 15;
  caps.MaxHeight = 1 << 15;
  return caps;
}

std::unique_ptr<IBackendTexture> TCompositingBackend::CreateTexture(int width, int height,
                                                                    const TTexturePixelFormat& format) {
  if (!hasTarget_ || width <= 0 || height <= 0 || format.BackendFormat != texelFormat_) return nullptr;
  return std::make_unique<TCompositedTexture>(width, height);
}

bool TCompositingBackend::UploadTexture(IBackendTexture& texture, const void* pixels, int pitch, const uint32_t*) {
  if (!pixels) return false;
  TCpuTexels& texels = static_cast<TCompositedTexture&>(texture).Writable();
  const auto* rows = static_cast<const uint8_t*>(pixels);
  for (int y = 0; y < texels.Height; ++y) {
    std::memcpy(texels.Pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(texels.Width),
                rows + static_cast<ptrdiff_t>(y) * pitch, static_cast<size_t>(texels.Width) * 4);
  }
  texels.Measure();
  return true;
}

bool TCompositingBackend::Clear(const TRect& rect, uint32_t color) {
  if (!hasTarget_) return false;
  compositor_.Clear(rect, color);
  return true;
}

bool TCompositingBackend::CopyPlainSurface(const TPlainPixels& source, const TRect& sourceRect, int x, int y) {
  if (!hasTarget_) return false;
  return compositor_.Copy(source.Pixels, source.Width, source.Height, sourceRect, x, y, source.Id, source.Version);
}

void TCompositingBackend::SetViewport(const TRect& viewport) { compositor_.SetViewport(viewport); }

bool TCompositingBackend::DrawTriangleStrip(const TD3DTLVertex* vertices, size_t count, IBackendTexture* texture,
                                            const TRenderStates& states) {
  if (!hasTarget_ || !vertices || count < 3) return false;
  const auto* composited = static_cast<TCompositedTexture*>(texture);
  compositor_.DrawStrip(vertices, count, composited ? composited->Texels() : nullptr, states);
  return true;
}
