#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A texture's pixels as the compositor reads them: 0xAARRGGBB, top row
// first, with the first and last texel of each row whose alpha is not 0, so
// a draw can leave out the fully transparent ends of every row.
struct TCpuTexels {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;
  // First > Last for a row with nothing visible.
  std::vector<int32_t> First;
  std::vector<int32_t> Last;

  TCpuTexels(int width, int height);
  const uint32_t* Row(int y) const { return Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width); }
  // Recomputes First and Last after Pixels changed.
  void Measure();
};
