#pragma once
#include <vector>

#include "render/backends/cpu/CpuSpan.h"

struct TCpuTexels;

// The convex hull of a texture's texels that are not clear, as half-planes
// A x u + B x v <= C in texel coordinates. A turned square's row crosses it
// along a line, and the pixels before and after the crossing show clear
// texels only: under source-alpha blending they change nothing and need not
// be walked. Texels off the texture are read from its edge, so a texture
// with anything visible on its edge gets no hull and every pixel is walked.
class TVisibleHull {
 public:
  explicit TVisibleHull(const TCpuTexels& texels);
  // Cuts [first, first + count) of a walk to the pixels that may show
  // something; false when none may.
  bool Clip(const TWalkSteps& steps, const TTexelWalk& start, int count, int& first, int& last) const;
  // False when every pixel has to be walked (Clip keeps them all).
  bool Cuts() const { return usable_; }

 private:
  struct TPlane {
    double A, B, C;
  };
  bool usable_ = false;
  bool empty_ = false;
  std::vector<TPlane> planes_;
};
