#pragma once
#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "render/D3DTypes.h"

// A picture whose outermost texels are a colour per side (top, bottom, left,
// right) around an interior of another, and the check that a turned square
// showing it never shows a texel from beyond its edges: every pixel a draw
// changed must show one of the texels the drawing rule names for its centre
// (the floored texture position, kept on the picture) or one a texel or two
// away, since renderers place edges and round positions a little differently
// and a picture turned on whole pixels is not quite a parallelogram. A
// renderer that wraps around or reads past the picture shows the far side's
// colour, or something that is not in the picture at all, along an edge; one
// that mirrors the picture shows the wrong side's colour.
namespace bordered {

constexpr int Size = 64;
constexpr uint32_t Top = 0xFFFF0000;
constexpr uint32_t Bottom = 0xFFFFFF00;
constexpr uint32_t Left = 0xFFFF00FF;
constexpr uint32_t Right = 0xFF00FFFF;
constexpr uint32_t Inside = 0xFF0000FF;
// Not in the picture.
constexpr uint32_t Background = 0x0000FF00;

inline uint32_t Texel(int x, int y) {
  if (y == 0) return Top;
  if (y == Size - 1) return Bottom;
  if (x == 0) return Left;
  if (x == Size - 1) return Right;
  return Inside;
}

inline std::vector<uint32_t> Pixels() {
  std::vector<uint32_t> pixels(size_t(Size) * Size);
  for (int y = 0; y < Size; ++y) {
    for (int x = 0; x < Size; ++x) pixels[size_t(y) * Size + size_t(x)] = Texel(x, y);
  }
  return pixels;
}

// Corners in strip order of a square of `size` about (x, y) turned by
// `turns`, on whole pixels as the frame puts a turned picture.
inline void Square(TD3DTLVertex* v, float x, float y, int size, float turns) {
  const double h = size / 2.0, c = std::cos(2 * std::numbers::pi * turns), s = std::sin(2 * std::numbers::pi * turns);
  const double local[4][2] = {{-h, -h}, {h, -h}, {-h, h}, {h, h}};
  for (int k = 0; k < 4; ++k) {
    v[k] = TD3DTLVertex{};
    v[k].sx = float(std::lround(local[k][0] * c - local[k][1] * s + x));
    v[k].sy = float(std::lround(local[k][0] * s + local[k][1] * c + y));
    v[k].rhw = 1.0f;
    v[k].color = 0xFFFFFFFF;
    v[k].tu = (k & 1) ? 1.0f : 0.0f;
    v[k].tv = (k & 2) ? 1.0f : 0.0f;
  }
}

// The pixels (0x..RRGGBB, `width` to a row) that show something other than
// the texels around what the rule names for them; empty when all is well.
inline std::string Stray(const std::vector<uint32_t>& pixels, int width, int height, const TD3DTLVertex* v) {
  const double side = std::hypot(double(v[1].sx - v[0].sx), double(v[1].sy - v[0].sy));
  const int slack = 1 + int(std::ceil(Size / side));
  // Texture position at a point: solve p = v0 + u (v1 - v0) + w (v2 - v0).
  const double ax = v[1].sx - v[0].sx, ay = v[1].sy - v[0].sy, bx = v[2].sx - v[0].sx, by = v[2].sy - v[0].sy;
  const double det = ax * by - ay * bx;
  std::string stray;
  int count = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t pixel = pixels[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFF;
      if (pixel == Background) continue;
      const double px = x + 0.5 - v[0].sx, py = y + 0.5 - v[0].sy;
      const double u = (px * by - py * bx) / det, w = (ax * py - ay * px) / det;
      const int tx = std::clamp(int(std::floor(u * Size)), 0, Size - 1);
      const int ty = std::clamp(int(std::floor(w * Size)), 0, Size - 1);
      std::set<uint32_t> allowed;
      for (int dy = -slack; dy <= slack; ++dy) {
        for (int dx = -slack; dx <= slack; ++dx) {
          allowed.insert(Texel(std::clamp(tx + dx, 0, Size - 1), std::clamp(ty + dy, 0, Size - 1)) & 0xFFFFFF);
        }
      }
      if (allowed.count(pixel) == 0 && ++count <= 5) {
        char line[96];
        std::snprintf(line, sizeof line, " (%d,%d) shows %06x near texel (%d,%d);", x, y, pixel, tx, ty);
        stray += line;
      }
    }
  }
  if (count > 5) stray += " and " + std::to_string(count - 5) + " more";
  return stray;
}

}  // namespace bordered
