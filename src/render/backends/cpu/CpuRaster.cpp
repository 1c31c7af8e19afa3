#include "render/backends/cpu/CpuRaster.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

int64_t Fix(float value, int64_t scale, int64_t limit) {
  return std::clamp<int64_t>(std::llrint(static_cast<double>(value) * static_cast<double>(scale)), -limit, limit);
}

// The edge from p to q, weighing the vertex opposite it.
TEdge MakeEdge(const TFixedVertex& p, const TFixedVertex& q) {
  const int64_t dx = q.X - p.X;
  const int64_t dy = q.Y - p.Y;
  TEdge edge;
  edge.A = -SubPixel * dy;
  edge.B = SubPixel * dx;
  edge.C = dx * (HalfPixel - p.Y) - dy * (HalfPixel - p.X);
  // Left edges run up the screen, top edges to the right.
  const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
  edge.Bias = topLeft ? 0 : -1;
  return edge;
}

// The greatest common divisor of a positive denominator and the parts of a
// texture numerator, which then divides the numerator at every pixel.
int64_t CommonFactor(int64_t denominator, int64_t stepX, int64_t stepY, TWide base) {
  int64_t common = std::gcd(denominator, std::gcd(stepX, stepY));
  const TWide rest = base % common;
  return std::gcd(common, static_cast<int64_t>(rest < 0 ? -rest : rest));
}

}  // namespace

bool ToFixed(const TD3DTLVertex& vertex, TFixedVertex& fixed) {
  if (!std::isfinite(vertex.sx) || !std::isfinite(vertex.sy) || !std::isfinite(vertex.tu) ||
      !std::isfinite(vertex.tv)) {
    return false;
  }
  fixed.X = Fix(vertex.sx, SubPixel, MaxCoordinate);
  fixed.Y = Fix(vertex.sy, SubPixel, MaxCoordinate);
  fixed.U = Fix(vertex.tu, TexCoordOne, MaxTexCoord);
  fixed.V = Fix(vertex.tv, TexCoordOne, MaxTexCoord);
  return true;
}

bool SetUpTriangle(const TFixedVertex& a, const TFixedVertex& b0, const TFixedVertex& c0, int textureWidth,
                   int textureHeight, TTriangleSetup& setup) {
  const int64_t area = (b0.X - a.X) * (c0.Y - a.Y) - (b0.Y - a.Y) * (c0.X - a.X);
  if (area == 0) return false;
  // Wound so that inside is where every edge is positive.
  const TFixedVertex& b = area > 0 ? b0 : c0;
  const TFixedVertex& c = area > 0 ? c0 : b0;
  setup.Area = area > 0 ? area : -area;
  setup.Edges[0] = MakeEdge(b, c);
  setup.Edges[1] = MakeEdge(c, a);
  setup.Edges[2] = MakeEdge(a, b);
  // The three weights sum to the doubled area at every pixel.
  setup.Denominator = setup.Area * TexCoordOne;
  const TFixedVertex* corners[3] = {&a, &b, &c};
  setup.UStepX = setup.UStepY = setup.VStepX = setup.VStepY = 0;
  setup.UBase = setup.VBase = 0;
  for (int i = 0; i < 3; ++i) {
    const TEdge& e = setup.Edges[i];
    const int64_t u = corners[i]->U * textureWidth;
    const int64_t v = corners[i]->V * textureHeight;
    setup.UStepX += e.A * u;
    setup.UStepY += e.B * u;
    setup.UBase += static_cast<TWide>(e.C) * u;
    setup.VStepX += e.A * v;
    setup.VStepY += e.B * v;
    setup.VBase += static_cast<TWide>(e.C) * v;
  }
  setup.UCommon = CommonFactor(setup.Denominator, setup.UStepX, setup.UStepY, setup.UBase);
  setup.VCommon = CommonFactor(setup.Denominator, setup.VStepX, setup.VStepY, setup.VBase);
  const int64_t minX = std::min({a.X, b.X, c.X});
  const int64_t maxX = std::max({a.X, b.X, c.X});
  const int64_t minY = std::min({a.Y, b.Y, c.Y});
  const int64_t maxY = std::max({a.Y, b.Y, c.Y});
  // Pixels whose centres lie within the vertices' extent.
  setup.Bounds = TRect{static_cast<int32_t>(CeilDiv(minX - HalfPixel, SubPixel)),
                       static_cast<int32_t>(CeilDiv(minY - HalfPixel, SubPixel)),
                       static_cast<int32_t>(FloorDiv(maxX - HalfPixel, SubPixel) + 1),
                       static_cast<int32_t>(FloorDiv(maxY - HalfPixel, SubPixel) + 1)};
  return true;
}
