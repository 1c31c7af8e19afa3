#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "render/TDIB.h"

// Reads bytes for a streamed decode: up to `size` into `buffer`, 0 at the
// end. It may throw; the decoder is released and the exception passes on.
using TPngReader = std::function<size_t(uint8_t* buffer, size_t size)>;

// A PNG too large for what a picture may cost; the message says so.
class EPictureTooLarge : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// Decodes a PNG row by row into a 24-bit bitmap no larger than the box (its
// proportions kept), drawn over black, holding one row of the picture at a
// time. An interlaced picture needs the whole image at once: it is decoded
// only when that fits in budgetBytes, else EPictureTooLarge. width and height
// receive the picture's full size. A PNG that cannot be decoded throws
// EInvalidGraphic with the reason.
TDIB DecodePngReduced(const TPngReader& read, int32_t boxWidth, int32_t boxHeight, uint64_t budgetBytes,
                      int32_t& width, int32_t& height);
