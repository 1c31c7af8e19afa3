#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "render/D3DTypes.h"

// The drawing rule written the plain way, one pixel and one triangle at a
// time with wide integers and no shortcuts, for the compositor to be held
// against. Positions are in sixteenths of a pixel, texture coordinates in
// 1/4096; a pixel centre on an edge belongs to the triangle on the edge's
// left or top; the texel is the floored affine texture position at the
// centre; colour = texel x tint / 255 and out = colour x alpha + under x
// (255 - alpha), each / 255 rounded to nearest; the top byte is always 0.
namespace reference {

__extension__ typedef __int128 Wide;

struct Texture {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;
};

inline uint32_t RoundDiv255(uint32_t x) { return (2 * x + 255) / 510; }

inline uint32_t Blend(uint32_t under, uint32_t texel, uint32_t tint) {
  const uint32_t alpha = texel >> 24;
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t colour = RoundDiv255(((texel >> shift) & 0xFF) * ((tint >> shift) & 0xFF));
    out |= RoundDiv255(colour * alpha + ((under >> shift) & 0xFF) * (255 - alpha)) << shift;
  }
  return out;
}

inline Wide FloorDiv(Wide a, Wide b) {
  Wide q = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) --q;
  return q;
}

struct Point {
  int64_t X, Y, U, V;
};

inline Point Fix(const TD3DTLVertex& v) {
  return Point{std::llrint(double(v.sx) * 16), std::llrint(double(v.sy) * 16), std::llrint(double(v.tu) * 4096),
               std::llrint(double(v.tv) * 4096)};
}

// Twice the signed area of (p, q, r).
inline Wide Cross(const Point& p, const Point& q, int64_t rx, int64_t ry) {
  return Wide(q.X - p.X) * (ry - p.Y) - Wide(q.Y - p.Y) * (rx - p.X);
}

inline bool Owns(const Point& p, const Point& q, Wide weight) {
  if (weight != 0) return weight > 0;
  const int64_t dx = q.X - p.X, dy = q.Y - p.Y;
  return dy < 0 || (dy == 0 && dx > 0);
}

// Draws one textured triangle with source-alpha blending.
inline void Triangle(std::vector<uint32_t>& target, int width, int height, Point a, Point b, Point c,
                     const Texture& texture, uint32_t tint, const TRect& clip) {
  Wide area = Cross(a, b, c.X, c.Y);
  if (area == 0) return;
  if (area < 0) {
    std::swap(b, c);
    area = -area;
  }
  for (int py = std::max(0, clip.Top); py < std::min(height, clip.Bottom); ++py) {
    for (int px = std::max(0, clip.Left); px < std::min(width, clip.Right); ++px) {
      const int64_t cx = 16 * int64_t(px) + 8, cy = 16 * int64_t(py) + 8;
      const Wide wa = Cross(b, c, cx, cy), wb = Cross(c, a, cx, cy), wc = Cross(a, b, cx, cy);
      if (!Owns(b, c, wa) || !Owns(c, a, wb) || !Owns(a, b, wc)) continue;
      const Wide u = FloorDiv((wa * a.U + wb * b.U + wc * c.U) * texture.Width, area * 4096);
      const Wide v = FloorDiv((wa * a.V + wb * b.V + wc * c.V) * texture.Height, area * 4096);
      const int tx = int(std::min<Wide>(std::max<Wide>(u, 0), texture.Width - 1));
      const int ty = int(std::min<Wide>(std::max<Wide>(v, 0), texture.Height - 1));
      uint32_t& pixel = target[size_t(py) * size_t(width) + size_t(px)];
      pixel = Blend(pixel, texture.Pixels[size_t(ty) * size_t(texture.Width) + size_t(tx)], tint);
    }
  }
}

// A strip of four corners: triangles 0-1-2 and 1-2-3, tinted by corner 0.
inline void Square(std::vector<uint32_t>& target, int width, int height, const TD3DTLVertex* corners,
                   const Texture& texture, const TRect& clip) {
  for (int i = 0; i < 2; ++i) {
    Triangle(target, width, height, Fix(corners[i]), Fix(corners[i + 1]), Fix(corners[i + 2]), texture,
             corners[0].color, clip);
  }
}

}  // namespace reference
