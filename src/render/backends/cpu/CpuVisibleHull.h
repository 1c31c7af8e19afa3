#pragma once
#include "render/backends/cpu/CpuSpan.h"

struct TCpuTexels;

// Where a texture's texels that are not clear lie, as a polygon of eight
// half-planes A x u + B x v <= C in texel coordinates, across, down and
// both diagonals: a turned square's row crosses it along a line, and the
// pixels before and after the crossing show clear texels only. Under
// source-alpha blending they change nothing and need not be walked. Eight
// fixed directions hold a round image nearly as closely as its hull and
// cost a row only eight divisions.
//
// Texels off the texture are read from its edge: where a texture shows
// something on its edge, the polygon reaches Margin texels beyond it (a
// square's pixels never lie farther off its texture than its far edge),
// and a walk that leaves those bounds anywhere is kept whole.
class TVisibleHull {
 public:
  TVisibleHull() = default;
  explicit TVisibleHull(const TCpuTexels& texels);
  // The polygon holding what either shows: a walk over both textures
  // together is cut once.
  static TVisibleHull Joined(const TVisibleHull& a, const TVisibleHull& b);
  // Cuts [first, first + count) of a walk to the pixels that may show
  // something; false when none may.
  bool Clip(const TWalkSteps& steps, const TTexelWalk& start, int count, int& first, int& last) const;
  // False when every pixel has to be walked (Clip keeps them all).
  bool Cuts() const { return usable_; }
  // Nothing shows anywhere.
  bool Empty() const { return usable_ && empty_; }
  // The half-planes A x u + B x v <= C, pushed out by half a texel so that
  // nothing that shows lies on one, where rounding could cut it.
  static constexpr int Planes() { return Directions; }
  void Plane(int plane, double& a, double& b, double& c) const;
  // Whether the planes hold only for positions within [lowU, highU) x
  // [lowV, highV), and those bounds.
  bool Bounded(double& lowU, double& lowV, double& highU, double& highV) const {
    lowU = lowU_, lowV = lowV_, highU = highU_, highV = highV_;
    return bounded_;
  }

  static constexpr int Margin = 2;

 private:
  static constexpr int Directions = 8;
  bool usable_ = false;
  bool empty_ = true;
  // Per direction the largest A x u + B x v of what shows.
  double reach_[Directions] = {};
  // Where the planes hold: positions outside show the edge's texels. A
  // texture clear on its edge has no such bounds.
  bool bounded_ = false;
  double lowU_ = 0, lowV_ = 0, highU_ = 0, highV_ = 0;
};
