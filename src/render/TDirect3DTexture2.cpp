#include "render/TDirect3DTexture2.h"

#include <vector>

#include "render/RenderErrors.h"
#include "render/TDIB.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DDevice7.h"
#include "render/TextureFormatChoice.h"

TDirect3DTexture2::TDirect3DTexture2(TDXDraw& device, TDIB* source, bool ownsSource)
    : device_(&device), source_(source), ownsSource_(ownsSource) {
  if (!source_) throw Exception(SCannotLoadGraphic);
  image_ = TDXTextureImage::FromDIB(*source_);
  try {
    device_->RegisterNotifyEvent(this);
  } catch (...) {
    device_->UnRegisterNotifyEvent(this);
    if (ownsSource_) delete source_;
    throw;
  }
}

TDirect3DTexture2::~TDirect3DTexture2() {
  ReleaseSurface();
  if (device_) device_->UnRegisterNotifyEvent(this);
  if (ownsSource_) delete source_;
}

void TDirect3DTexture2::DXDrawNotify(TDXDraw& sender, TDeviceEvent event) {
  switch (event) {
    case deInitializeSurface:
      MakeSurface();
      break;
    case deRestore:
      Load();
      break;
    case deFinalizeSurface:
      ReleaseSurface();
      break;
    case deDestroying:
      ReleaseSurface();
      sender.UnRegisterNotifyEvent(this);
      device_ = nullptr;
      break;
    default:
      break;
  }
}

void TDirect3DTexture2::MakeSurface() {
  ReleaseSurface();
  image_ = TDXTextureImage::FromDIB(*source_);
  IRenderBackend& backend = device_->Backend();
  const auto formats = backend.TextureFormats();
  const int chosen = ChooseTextureFormat(image_, formats);
  if (chosen < 0) throw EDirect3DTextureError(FormatWord(SCannotInitialized, STexture));
  const TTextureSize size = TextureSurfaceSize(image_.Width, image_.Height, backend.TextureCaps());
  if (size.Width > 0 && size.Height > 0) surface_ = backend.CreateTexture(size.Width, size.Height, formats[chosen]);
  if (!surface_) throw EDirect3DTextureError(FormatWord(SCannotInitialized, STexture));
  format_ = formats[chosen];
  width_ = size.Width;
  height_ = size.Height;
  needsLoad_ = true;
}

void TDirect3DTexture2::Load() {
  if (!surface_) return;
  // The bitmap is read afresh, so changes made to it show after a restore.
  image_ = TDXTextureImage::FromDIB(*source_);
  const int pitch = ((width_ * static_cast<int>(format_.BitCount) + 31) / 32) * 4;
  std::vector<uint8_t> pixels(static_cast<size_t>(pitch) * static_cast<size_t>(height_));
  ConvertTexturePixels(image_, format_, width_, height_, pixels.data(), pitch);
  const bool palette = image_.ImageType == TDXTextureImageType::Palette && format_.IsPalette();
  if (device_->Backend().UploadTexture(*surface_, pixels.data(), pitch, palette ? image_.Palette.data() : nullptr)) {
    needsLoad_ = false;
  }
}

void TDirect3DTexture2::ReleaseSurface() {
  if (!surface_) return;
  if (device_ && device_->D3DDevice7()) device_->D3DDevice7()->TextureGone(this);
  surface_.reset();
  needsLoad_ = false;
}

IBackendTexture* TDirect3DTexture2::Surface() {
  if (surface_ && needsLoad_) Load();
  return surface_.get();
}

bool TDirect3DTexture2::Transparent() const {
  // No backend here keys texture colours, so a texture with a surface never
  // has a key set; before that the image's own flag answers.
  return surface_ ? false : image_.Transparent;
}
