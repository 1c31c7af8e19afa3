#pragma once
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "render/D3DTypes.h"
#include "render/backends/cpu/TCpuTexels.h"
#include "render_cpu/ReferenceCompositor.h"

// Textures and squares shaped like the saver's: a round image whose rim
// fades out and whose corners are clear, squares placed the way the frame
// places its bubbles (corners truncated after turning).
namespace fixtures {

// Every alpha value appears, with clear corners and solid runs in the middle.
inline std::shared_ptr<TCpuTexels> BubbleTexels(int size, uint32_t seed) {
  auto texels = std::make_shared<TCpuTexels>(size, size);
  std::mt19937 random(seed);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
      const double r = std::sqrt(dx * dx + dy * dy) / (size / 2.0);
      uint32_t alpha = r >= 1.0 ? 0 : r < 0.5 ? 255 : uint32_t((1.0 - r) * 2 * 255);
      if (y == size / 3) alpha = uint32_t(x * 256 / size);
      texels->Pixels[size_t(y) * size_t(size) + size_t(x)] = (alpha << 24) | (random() & 0xFFFFFF);
    }
  }
  texels->Measure();
  return texels;
}

inline reference::Texture AsReference(const TCpuTexels& texels) {
  return reference::Texture{texels.Width, texels.Height, texels.Pixels};
}

inline std::vector<uint32_t> Noise(int width, int height, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> pixels(size_t(width) * size_t(height));
  for (auto& p : pixels) p = random() & 0xFFFFFF;
  return pixels;
}

// The four corners in strip order of a square of `size` about (x, y), turned
// by `angle` turns and truncated like the frame does.
inline void Square(TD3DTLVertex* v, float x, float y, int size, float angle, uint32_t color, bool truncate = true) {
  const float h = float(size / 2);
  const float c = std::cos(2.0f * std::numbers::pi_v<float> * angle), s = std::sin(2.0f * std::numbers::pi_v<float> * angle);
  const float local[4][2] = {{-h, -h}, {h, -h}, {-h, h}, {h, h}};
  for (int k = 0; k < 4; ++k) {
    float sx = local[k][0] * c - local[k][1] * s + x;
    float sy = local[k][0] * s + local[k][1] * c + y;
    if (truncate) {
      sx = std::trunc(sx);
      sy = std::trunc(sy);
    }
    v[k] = TD3DTLVertex{};
    v[k].sx = sx;
    v[k].sy = sy;
    v[k].color = color;
    v[k].tu = (k & 1) ? 1.0f : 0.0f;
    v[k].tv = (k & 2) ? 1.0f : 0.0f;
  }
}

inline TRenderStates AlphaBlend() {
  TRenderStates states;
  states.AlphaBlendEnable = true;
  states.SrcBlend = D3DBLEND_SRCALPHA;
  states.DestBlend = D3DBLEND_INVSRCALPHA;
  return states;
}

}  // namespace fixtures
