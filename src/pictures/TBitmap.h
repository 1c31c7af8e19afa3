#pragma once
#include <cstdint>

#include "render/TDIB.h"

// The drawing bitmap conversions render into: a TDIB plus the transparent
// colour a PNG with a single transparent colour marks it with.
struct TBitmap {
    TDIB Dib;
    bool Transparent = false;
    uint32_t TransparentColor = 0;   // 0xRRGGBB
};
