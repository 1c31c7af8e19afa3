#pragma once
#include <cstdint>

#include "render/TDIB.h"
#include "render/TMemoryStream.h"

// Every texture made from a picture is this many pixels square.
constexpr int32_t PictureTextureSize = 256;

// The picture-to-texture hand-over: the bitmap saved as a BMP image into the
// stream and loaded from there into the target (the stream's position is 0
// before and after). An empty bitmap empties the target.
void HandOver(const TDIB& bitmap, TMemoryStream& stream, TDIB& target);

// The nearest-pixel samples a 256 × 256 stretch reads from a picture, in the
// picture's own format. Shaping needs nothing else of the picture.
TDIB SamplePicture(const TDIB& picture);

// A picture's 256 × 256 texture bitmap from its samples: with alpha of its
// own it keeps 32 bits and that alpha; without, it is 24 bits (opaque), or,
// when a mask is given, 32 bits whose alpha is the mask's alpha byte at the
// same spot (the index byte of an 8-bit mask).
TDIB ShapePicture(const TDIB& samples, bool ownAlpha, const TDIB* mask);

// Keeps only the top-left width × height part of a bitmap (less where it is
// smaller), in its format.
void CropTopLeft(TDIB& dib, int32_t width, int32_t height);
