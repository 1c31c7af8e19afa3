#pragma once
#include <cstdint>

#include "render/TDIB.h"

// The cross-fade of the slideshow: each step mixes the incoming picture into
// the one on show by a weight out of 256. Incoming pixels of the key colour
// keep what is on show, so a picture can leave holes through which the
// previous one stays visible.

constexpr int32_t FadeSteps = 25;
constexpr uint8_t FadeKeyBlue = 0;
constexpr uint8_t FadeKeyGreen = 0;
constexpr uint8_t FadeKeyRed = 101;

// The weight of step 1..FadeSteps: 15, 25, ..., 255.
constexpr int32_t FadeWeight(int32_t step) { return 10 * step + 5; }

// Mixes `pixels` 24-bit pixels (blue, green, red bytes) of `next` into
// `current`: each byte becomes (weight × next + (256 − weight) × current) div 256,
// except in pixels whose colour in `next` is the key colour. weight 0..256.
void BlendRow(uint8_t* current, const uint8_t* next, int32_t pixels, int32_t weight);

// BlendRow over the rows and columns both 24-bit pictures have; pictures of
// other depths are left alone.
void BlendPicture(TDIB& current, const TDIB& next, int32_t weight);
