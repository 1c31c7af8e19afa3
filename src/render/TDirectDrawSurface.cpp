#include "render/TDirectDrawSurface.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <new>

#include "render/RenderErrors.h"
#include "render/TDIB.h"
#include "render/TDXDraw.h"

namespace {

// Larger sides than this are refused rather than attempted.
constexpr int32_t MaxSurfaceSide = 16384;
constexpr int32_t PlainBitCount = 32;

// Names plain surfaces for the backend's copy cache; surfaces are made on
// more than one thread.
std::atomic<uint64_t> NextSurfaceId{1};

bool Inside(const TRect& rect, int32_t width, int32_t height) {
  return rect.Left >= 0 && rect.Top >= 0 && rect.Right <= width && rect.Bottom <= height && rect.Left < rect.Right &&
         rect.Top < rect.Bottom;
}

// Nearest source index for a destination index, sampling at pixel centres.
int32_t NearestSource(int32_t dest, int32_t destLength, int32_t sourceLength) {
  return static_cast<int32_t>(((2 * int64_t{dest} + 1) * sourceLength) / (2 * int64_t{destLength}));
}

// The colour bytes at `bits`, blue first, as 0x00RRGGBB.
uint32_t ColourAt(const uint8_t* bits) { return bits[0] | (uint32_t{bits[1]} << 8) | (uint32_t{bits[2]} << 16); }

// `count` pixels of a DIB row from `left` on, as 0x00RRGGBB, quickly for the
// 24- and 32-bit layouts the pictures use and through the DIB's own colour
// reading otherwise.
void ReadDIBRow(const TDIB& dib, int32_t y, int32_t left, int32_t count, uint32_t* out) {
  const bool standardMasks = dib.RedMask() == 0xFF0000 && dib.GreenMask() == 0xFF00 && dib.BlueMask() == 0xFF;
  if (dib.BitCount() == 24) {
    const uint8_t* bits = dib.ScanLine(y) + 3 * static_cast<size_t>(left);
    int32_t x = 0;
    // Four pixels are three whole words: read as words, they come apart
    // with shifts instead of twelve byte loads (little-endian words).
    static_assert(std::endian::native == std::endian::little);
    for (; x + 4 <= count; x += 4, bits += 12) {
      uint32_t words[3];
      std::memcpy(words, bits, sizeof words);
      out[x] = words[0] & 0xFFFFFF;
      out[x + 1] = (words[0] >> 24) | ((words[1] & 0xFFFF) << 8);
      out[x + 2] = (words[1] >> 16) | ((words[2] & 0xFF) << 16);
      out[x + 3] = words[2] >> 8;
    }
    for (; x < count; ++x, bits += 3) {
      out[x] = ColourAt(bits);
    }
  } else if (dib.BitCount() == 32 && standardMasks) {
    const uint8_t* bits = dib.ScanLine(y) + 4 * static_cast<size_t>(left);
    for (int32_t x = 0; x < count; ++x, bits += 4) {
      out[x] = ColourAt(bits);
    }
  } else {
    for (int32_t x = 0; x < count; ++x) out[x] = dib.GetColor(left + x, y) & 0xFFFFFF;
  }
}

}  // namespace

TDirectDrawSurface::TDirectDrawSurface() : id_(NextSurfaceId.fetch_add(1)) {}

TDirectDrawSurface::TDirectDrawSurface(TDXDraw& backOf) : backOf_(&backOf), id_(NextSurfaceId.fetch_add(1)) {}

TDirectDrawSurface::~TDirectDrawSurface() = default;

void TDirectDrawSurface::Allocate(int32_t width, int32_t height, TPixelsKept kept) {
  if (backOf_ || width > MaxSurfaceSide || height > MaxSurfaceSide) {
    throw EDirectDrawSurfaceError(FormatWord(SCannotMade, SSurface));
  }
  // A surface made again at its own size keeps its memory: the slideshow
  // remakes its step surface 25 times a fade.
  if (width == width_ && height == height_ && !pixels_.empty()) {
    if (kept == TPixelsKept::Black) std::fill(pixels_.begin(), pixels_.end(), 0u);
  } else {
    try {
      std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
      pixels_.swap(pixels);
    } catch (const std::bad_alloc&) {
      throw EDirectDrawSurfaceError(FormatWord(SCannotMade, SSurface));
    }
  }
  width_ = width;
  height_ = height;
  colorKey_ = 0;
  ++version_;
}

void TDirectDrawSurface::SetSurfaceSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) {
    if (backOf_) return;
    std::vector<uint32_t>().swap(pixels_);
    width_ = 0;
    height_ = 0;
    ++version_;
    return;
  }
  Allocate(width, height, TPixelsKept::Black);
}

void TDirectDrawSurface::StretchPicture(const TDIB& picture, int32_t width, int32_t height, const TRect& sourceRect) {
  if (backOf_ || !Inside(sourceRect, picture.Width(), picture.Height())) {
    throw EDirectDrawSurfaceError(FormatWord(SCannotMade, SSurface));
  }
  const int32_t targetWidth = width != 0 ? width : sourceRect.Width();
  const int32_t targetHeight = height != 0 ? height : sourceRect.Height();
  if (targetWidth <= 0 || targetHeight <= 0) {
    SetSurfaceSize(targetWidth, targetHeight);
    return;
  }
  // Every pixel is written below.
  Allocate(targetWidth, targetHeight, TPixelsKept::Any);

  std::vector<uint32_t> sourceRow;
  if (width_ != sourceRect.Width()) sourceRow.resize(static_cast<size_t>(sourceRect.Width()));
  int32_t rowRead = -1;
  for (int32_t y = 0; y < height_; ++y) {
    const int32_t sy = sourceRect.Top + NearestSource(y, height_, sourceRect.Height());
    uint32_t* out = ScanLine(y);
    if (width_ == sourceRect.Width()) {
      ReadDIBRow(picture, sy, sourceRect.Left, width_, out);
      continue;
    }
    if (sy != rowRead) {
      ReadDIBRow(picture, sy, sourceRect.Left, sourceRect.Width(), sourceRow.data());
      rowRead = sy;
    }
    for (int32_t x = 0; x < width_; ++x) out[x] = sourceRow[NearestSource(x, width_, sourceRect.Width())];
  }
  ++version_;
}

void TDirectDrawSurface::CopyPicture(const TDIB& picture) {
  StretchPicture(picture, picture.Width(), picture.Height(),
                 TRect{0, 0, picture.Width(), picture.Height()});
}

bool TDirectDrawSurface::SwapPixels(TDirectDrawSurface& other) {
  if (&other == this || backOf_ || other.backOf_ || !HasPixels() || !other.HasPixels() || width_ != other.width_ ||
      height_ != other.height_) {
    return false;
  }
  pixels_.swap(other.pixels_);
  std::swap(colorKey_, other.colorKey_);
  ++version_;
  ++other.version_;
  return true;
}

bool TDirectDrawSurface::BltFast(int32_t x, int32_t y, const TDirectDrawSurface& source, const TRect& sourceRect,
                                 uint32_t flags) {
  if (flags != 0 || !HasPixels() || source.backOf_ || !source.HasPixels()) return false;
  if (!Inside(sourceRect, source.width_, source.height_)) return false;
  const TRect destRect{x, y, x + sourceRect.Width(), y + sourceRect.Height()};
  if (!Inside(destRect, Width(), Height())) return false;

  if (backOf_) return backOf_->Backend().CopyPlainSurface(source.PlainPixels(), sourceRect, x, y);

  const size_t rowBytes = sizeof(uint32_t) * static_cast<size_t>(sourceRect.Width());
  std::vector<uint32_t> overlap;
  const uint32_t* from = nullptr;
  size_t fromStride = static_cast<size_t>(source.width_);
  if (&source == this) {
    // A copy within one surface reads a snapshot, so overlapping rectangles
    // come out as if copied through a separate buffer.
    overlap.resize(static_cast<size_t>(sourceRect.Width()) * static_cast<size_t>(sourceRect.Height()));
    for (int32_t row = 0; row < sourceRect.Height(); ++row) {
      std::memcpy(overlap.data() + static_cast<size_t>(row) * sourceRect.Width(),
                  source.ScanLine(sourceRect.Top + row) + sourceRect.Left, rowBytes);
    }
    from = overlap.data();
    fromStride = static_cast<size_t>(sourceRect.Width());
  } else {
    from = source.ScanLine(sourceRect.Top) + sourceRect.Left;
  }
  for (int32_t row = 0; row < sourceRect.Height(); ++row) {
    std::memcpy(ScanLine(y + row) + x, from + static_cast<size_t>(row) * fromStride, rowBytes);
  }
  ++version_;
  return true;
}

bool TDirectDrawSurface::FillColor(uint32_t color) {
  if (!HasPixels()) return false;
  if (backOf_) return backOf_->Backend().Clear(ClientRect(), color);
  std::fill(pixels_.begin(), pixels_.end(), color);
  ++version_;
  return true;
}

bool TDirectDrawSurface::HasPixels() const { return backOf_ ? backOf_->Initialized() : !pixels_.empty(); }

int32_t TDirectDrawSurface::Width() const {
  if (backOf_) return backOf_->Initialized() ? backOf_->SurfaceWidth() : 0;
  return width_;
}

int32_t TDirectDrawSurface::Height() const {
  if (backOf_) return backOf_->Initialized() ? backOf_->SurfaceHeight() : 0;
  return height_;
}

int32_t TDirectDrawSurface::BitCount() const { return PlainBitCount; }

uint32_t TDirectDrawSurface::Pixel(int32_t x, int32_t y) const { return ScanLine(y)[x]; }

const uint32_t* TDirectDrawSurface::ScanLine(int32_t y) const {
  return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
}

uint32_t* TDirectDrawSurface::ScanLine(int32_t y) {
  return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
}

TPlainPixels TDirectDrawSurface::PlainPixels() const {
  return TPlainPixels{id_, version_, width_, height_, pixels_.data()};
}
