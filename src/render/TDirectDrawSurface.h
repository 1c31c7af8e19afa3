#pragma once
#include <cstdint>
#include <vector>

#include "render/D3DTypes.h"
#include "render/IRenderBackend.h"

class TDIB;
class TDXDraw;

// A plain off-screen surface: 32-bit pixels (0x00RRGGBB) held in system
// memory, which keeps surface work on the loader thread away from the
// renderer; the backend takes a copy when one is drawn onto the back surface.
// The device's own back surface is a TDirectDrawSurface too, bound to the
// device instead of holding pixels.
class TDirectDrawSurface {
 public:
  TDirectDrawSurface();
  ~TDirectDrawSurface();
  TDirectDrawSurface(const TDirectDrawSurface&) = delete;
  TDirectDrawSurface& operator=(const TDirectDrawSurface&) = delete;

  // (Re)makes the surface at width x height, black; a width or height <= 0
  // releases it instead.
  void SetSurfaceSize(int32_t width, int32_t height);
  // (Re)makes the surface at width x height (0 takes the source rectangle's)
  // and stretches the source rectangle of the picture over all of it.
  void StretchPicture(const TDIB& picture, int32_t width, int32_t height, const TRect& sourceRect);
  // Makes the surface a copy of the picture. A surface already of the
  // picture's size keeps its memory.
  void CopyPicture(const TDIB& picture);
  // Trades pixels with another plain surface of the same size, which is how
  // a finished picture changes hands without a copy. False, nothing changed,
  // for surfaces of other sizes, without pixels or bound to the device.
  bool SwapPixels(TDirectDrawSurface& other);

  // Copies the source rectangle to (x, y) without scaling and without the
  // colour key. Refused (false, nothing changed) when either surface has no
  // pixels, the rectangle leaves the source or the copy leaves this surface,
  // or flags other than 0 are asked for.
  bool BltFast(int32_t x, int32_t y, const TDirectDrawSurface& source, const TRect& sourceRect,
               uint32_t flags);
  // Fills the whole surface with a pixel value.
  bool FillColor(uint32_t color);

  bool HasPixels() const;
  int32_t Width() const;
  int32_t Height() const;
  int32_t BitCount() const;
  TRect ClientRect() const { return TRect{0, 0, Width(), Height()}; }
  bool SystemMemory() const { return true; }
  // The source colour key set on every creation: black.
  uint32_t ColorKey() const { return colorKey_; }

  // Pixel access for plain surfaces with pixels; y counts from the top.
  uint32_t Pixel(int32_t x, int32_t y) const;
  const uint32_t* ScanLine(int32_t y) const;
  uint32_t* ScanLine(int32_t y);
  // Callers that write through ScanLine say so, so that the next copy onto
  // the back surface takes the new pixels.
  void Changed() { ++version_; }
  TPlainPixels PlainPixels() const;

 private:
  friend class TDXDraw;
  explicit TDirectDrawSurface(TDXDraw& backOf);
  enum class TPixelsKept { Black, Any };
  void Allocate(int32_t width, int32_t height, TPixelsKept kept);

  TDXDraw* backOf_ = nullptr;
  uint64_t id_ = 0;
  uint64_t version_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint32_t colorKey_ = 0;
  std::vector<uint32_t> pixels_;
};
