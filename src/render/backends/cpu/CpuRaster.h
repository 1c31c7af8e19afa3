#pragma once
#include <cstdint>

#include "render/D3DTypes.h"

// The integer geometry both of the compositor's paths agree on. Positions
// are taken in sixteenths of a pixel and texture coordinates in 1/4096; a
// pixel is covered by a triangle when its centre lies inside, and a centre
// exactly on an edge belongs to the triangle on the edge's left or top side
// only, so two triangles sharing an edge never draw a pixel twice. The texel
// a pixel shows is the affine texture position at its centre, floored.

constexpr int SubPixelBits = 4;
constexpr int64_t SubPixel = 1 << SubPixelBits;
constexpr int64_t HalfPixel = SubPixel / 2;
constexpr int64_t TexCoordOne = 4096;
// Positions beyond this many sixteenths are clamped, keeping every product
// of the edge arithmetic inside 64 bits.
constexpr int64_t MaxCoordinate = int64_t(1) << 23;
constexpr int64_t MaxTexCoord = 16 * TexCoordOne;

// Products of edge weights and texture positions need more than 64 bits.
__extension__ typedef __int128 TWide;

struct TFixedVertex {
  int64_t X = 0;
  int64_t Y = 0;
  int64_t U = 0;
  int64_t V = 0;
};

// False for positions that are not numbers.
bool ToFixed(const TD3DTLVertex& vertex, TFixedVertex& fixed);

inline int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
inline TWide FloorDiv128(TWide a, TWide b) {
  // Wide division is a library call; most numerators fit the processor's own.
  const auto narrow = [](TWide x) { return x >= INT64_MIN && x <= INT64_MAX; };
  if (b > 0 && narrow(a) && narrow(b)) return FloorDiv(static_cast<int64_t>(a), static_cast<int64_t>(b));
  const TWide q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
inline int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// One edge as a linear function of the pixel indices: e = A*px + B*py + C,
// covering where e + Bias >= 0.
struct TEdge {
  int64_t A = 0;
  int64_t B = 0;
  int64_t C = 0;
  int64_t Bias = 0;
  int64_t At(int64_t px, int64_t py) const { return A * px + B * py + C; }
  bool operator==(const TEdge&) const = default;
};

// A triangle set up for drawing: its edges (each the barycentric weight of
// the opposite vertex), doubled area, and the texture position numerators
// N = sum of weight x coordinate x texture size, so the texel is
// floor(N / Denominator).
struct TTriangleSetup {
  TEdge Edges[3];
  int64_t Area = 0;
  int64_t Denominator = 0;
  int64_t UStepX = 0, UStepY = 0;
  TWide UBase = 0;
  int64_t VStepX = 0, VStepY = 0;
  TWide VBase = 0;
  // A factor every U (V) numerator shares with Denominator: remainders
  // divided by it keep their quotients and fit narrower arithmetic.
  int64_t UCommon = 1;
  int64_t VCommon = 1;
  // Pixel bounds (exclusive right and bottom) of the vertices.
  TRect Bounds;
};

// False when the triangle has no area.
bool SetUpTriangle(const TFixedVertex& a, const TFixedVertex& b, const TFixedVertex& c, int textureWidth,
                   int textureHeight, TTriangleSetup& setup);
