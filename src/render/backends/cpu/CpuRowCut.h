#pragma once
#include "render/backends/cpu/CpuRaster.h"
#include "render/backends/cpu/CpuVisibleHull.h"

// A texture's visible hull seen from the screen. A turned square maps its
// pixels to texel positions by one affine map, so each of the hull's
// half-planes is a half-plane of pixels too: on each row the pixels that
// may show something lie between limits that move by a fixed step from row
// to row. Cutting a row's run to them costs a multiplication per plane,
// where asking the hull along the run's walk costs a division per plane.
class TRowCut {
 public:
  // Cuts nothing.
  TRowCut() = default;
  // For the triangle whose texel positions `mapping` gives; `onTexture`:
  // its corners' texture coordinates lie within the texture, and so do
  // all its pixels' positions.
  TRowCut(const TVisibleHull& hull, const TTriangleSetup& mapping, bool onTexture);
  bool Cuts() const { return cuts_; }
  // Narrows [begin, end) of pixel row `row` to the pixels that may show
  // something; false when none may.
  bool Cut(int row, int& begin, int& end) const;

 private:
  // A plane's limit on row y is At + Step x y: the last pixel in, the
  // first, or, for a plane along the rows, the row lies outside where it is
  // above 0.
  struct TLimits {
    int Count = 0;
    double At[TVisibleHull::Planes()] = {}, Step[TVisibleHull::Planes()] = {};
    void Add(double at, double step) {
      At[Count] = at;
      Step[Count++] = step;
    }
  };
  bool cuts_ = false;
  bool empty_ = false;
  TLimits last_, first_, flat_;
  // Texel position of pixel (x, y): (U + UX x + UY y, V + VX x + VY y),
  // which must stay within the hull's bounds when it has them.
  bool bounded_ = false;
  double u_ = 0, ux_ = 0, uy_ = 0, v_ = 0, vx_ = 0, vy_ = 0;
  double lowU_ = 0, lowV_ = 0, highU_ = 0, highV_ = 0;
};
