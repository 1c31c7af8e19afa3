#pragma once
#include <memory>

#include "render/IRenderBackend.h"
#include "render/TDXTextureImage.h"
#include "render/TDeviceEvent.h"

class TDIB;
class TDXDraw;

// A texture made from a bitmap. It follows its device: it gets a surface
// when the device's surfaces are made, uploads its pixels from the bitmap on
// every restore, and lets the surface go when the device's surfaces go. The
// bitmap is read again at each upload, so it must outlive the texture unless
// the texture owns it.
class TDirect3DTexture2 : public IDXDrawNotifyReceiver {
 public:
  // Throws Exception "Can not load graphic" without a bitmap, and
  // EDirect3DTextureError when the device is up and no surface can be made.
  TDirect3DTexture2(TDXDraw& device, TDIB* source, bool ownsSource);
  ~TDirect3DTexture2() override;
  TDirect3DTexture2(const TDirect3DTexture2&) = delete;
  TDirect3DTexture2& operator=(const TDirect3DTexture2&) = delete;

  // The device surface, with its pixels uploaded first when they need it;
  // none while the device has no surfaces.
  IBackendTexture* Surface();
  // Whether drawing should key out a colour; bitmaps never ask for one.
  bool Transparent() const;

  bool NeedsLoad() const { return needsLoad_; }
  const TTexturePixelFormat& Format() const { return format_; }
  const TDXTextureImage& Image() const { return image_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  void DXDrawNotify(TDXDraw& sender, TDeviceEvent event) override;

 private:
  void MakeSurface();
  void Load();
  void ReleaseSurface();

  TDXDraw* device_;
  TDIB* source_;
  bool ownsSource_;
  TDXTextureImage image_;
  std::unique_ptr<IBackendTexture> surface_;
  TTexturePixelFormat format_;
  int width_ = 0;
  int height_ = 0;
  bool needsLoad_ = false;
};
