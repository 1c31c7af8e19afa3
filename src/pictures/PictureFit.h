#pragma once
#include <cstdint>

#include "render/TDIB.h"

// The largest rectangle of the picture's proportions centred in a
// width × height image, the rest left for black bars. The proportions are
// compared against the device's deviceWidth × deviceHeight (the same size as
// the image in practice) with 32-bit products, wrapping as 32-bit arithmetic
// does; the bar widths are rounded to the nearest pixel, halves to even, and
// then halved towards zero.
TRect FitRect(int32_t pictureWidth, int32_t pictureHeight, int32_t width, int32_t height, int32_t deviceWidth,
                 int32_t deviceHeight);
