#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "render/D3DTypes.h"

// What the device needs from a drawing library. The device keeps every rule
// (options, order of notifications, restore after loss); a backend only does
// the work and says honestly what it obtained.

// A texture format a backend offers, described by its channel masks.
struct TTexturePixelFormat {
  uint32_t BitCount = 0;
  uint32_t RedMask = 0;
  uint32_t GreenMask = 0;
  uint32_t BlueMask = 0;
  uint32_t AlphaMask = 0;
  // Index bits of a palette format (1, 2, 4 or 8); 0 for direct colour.
  uint32_t PaletteBits = 0;
  // Whether the format carries colour at all (palette formats may too).
  bool Rgb = true;
  // The backend's own name for the format, handed back when it is used.
  uint32_t BackendFormat = 0;

  bool IsPalette() const { return PaletteBits != 0; }
};

// Limits a backend puts on texture sizes; 0 means none stated.
struct TTextureCaps {
  bool PowerOfTwoOnly = false;
  bool SquareOnly = false;
  int MinWidth = 0;
  int MinHeight = 0;
  int MaxWidth = 0;
  int MaxHeight = 0;
};

struct TDisplayMode {
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  bool operator==(const TDisplayMode&) const = default;
};

struct TTargetRequest {
  void* NativeWindow = nullptr;
  int Width = 1;
  int Height = 1;
  bool FullScreen = false;
  bool SystemMemory = false;
  bool Hardware = false;
  bool Want3D = false;
};

enum class TTargetFailure {
  None,
  PrimarySurface,
  Surface,
  Device3DNotFound,
  Device3D,
};

// What the backend really obtained.
struct TTargetResult {
  TTargetFailure Failure = TTargetFailure::None;
  bool Hardware = false;
  bool SystemMemory = false;
  bool ZBuffer = false;
};

// A plain surface's pixels as the backend sees them: 32-bit 0x00RRGGBB, top
// row first. `Id` names the surface for the backend's caching and `Version`
// changes whenever its pixels do.
struct TPlainPixels {
  uint64_t Id = 0;
  uint64_t Version = 0;
  int Width = 0;
  int Height = 0;
  const uint32_t* Pixels = nullptr;
};

class IBackendTexture {
 public:
  virtual ~IBackendTexture() = default;
};

class IRenderBackend {
 public:
  virtual ~IRenderBackend() = default;

  virtual std::vector<TDisplayMode> DisplayModes(void* nativeWindow) = 0;
  virtual bool SetDisplayMode(void* nativeWindow, const TDisplayMode& mode) = 0;

  // Makes the render target (the back surface) for a window; releasing it
  // returns the display to what it was.
  virtual TTargetResult CreateTarget(const TTargetRequest& request) = 0;
  virtual void ReleaseTarget() = 0;
  // Whether the target's contents were lost since it was made or restored.
  virtual bool IsLost() = 0;
  // Makes the target usable again; its contents are undefined afterwards.
  virtual bool Restore() = 0;

  virtual std::vector<TTexturePixelFormat> TextureFormats() = 0;
  virtual TTextureCaps TextureCaps() = 0;
  // nullptr when the texture cannot be made.
  virtual std::unique_ptr<IBackendTexture> CreateTexture(int width, int height,
                                                         const TTexturePixelFormat& format) = 0;
  // Rows top first, each `pitch` bytes, in the texture's own format; palette
  // formats also get their colours (0x00RRGGBB, one per index).
  virtual bool UploadTexture(IBackendTexture& texture, const void* pixels, int pitch,
                             const uint32_t* palette) = 0;

  virtual bool Clear(const TRect& rect, uint32_t color) = 0;
  // A backend may carry the copy out later with the draws that follow it, at
  // the latest at the next Present or FinishDrawing: until then the source's
  // pixels stay as they are.
  virtual bool CopyPlainSurface(const TPlainPixels& source, const TRect& sourceRect, int x, int y) = 0;
  virtual void SetViewport(const TRect& viewport) = 0;
  virtual bool DrawTriangleStrip(const TD3DTLVertex* vertices, size_t count, IBackendTexture* texture,
                                 const TRenderStates& states) = 0;
  // Shows the back surface in `dest` of the window (window coordinates).
  virtual bool Present(const TRect& dest, bool waitVBlank) = 0;
  // Carries out whatever waits, so that the plain surfaces it reads may change.
  virtual void FinishDrawing() {}
};
