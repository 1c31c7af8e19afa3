#pragma once
#include <vector>

#include "render/IRenderBackend.h"

// The display mode asked for in exclusive full screen, and how far the search
// may stray from it when the display does not list it.
struct TDXDrawDisplay {
  int Width = 640;
  int Height = 480;
  int BitCount = 16;
  bool FixedBitCount = false;
  bool FixedRatio = true;
  bool FixedSize = false;
};

// The modes to try, best first: the requested mode itself, then listed modes
// of its aspect ratio when FixedRatio is set, then any listed mode. Within
// each group the nearest in size comes first, then the nearest bit count.
// FixedSize and FixedBitCount keep only modes of the requested size and bit
// count.
std::vector<TDisplayMode> DisplayModeCandidates(const TDXDrawDisplay& display,
                                                const std::vector<TDisplayMode>& listed);
