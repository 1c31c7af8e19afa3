#pragma once
#include <cstdint>
#include <functional>
#include <span>

#include "render/TDIB.h"

// A JPEG that cannot be decoded; the message is the JPEG library's own.
class EJpegError : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

struct TJpegSize {
    int32_t Width = 0;
    int32_t Height = 0;
};

// Reads only the header. Throws EJpegError.
TJpegSize ReadJpegSize(std::span<const uint8_t> bytes);

// Decodes at full size, handing over the size once and then every row from
// the top as blue, green, red triples. Throws EJpegError; the callbacks may
// throw too, and the decoder is released either way.
void DecodeJpegRows(std::span<const uint8_t> bytes, const std::function<void(const TJpegSize&)>& onSize,
                    const std::function<void(int32_t y, const uint8_t* bgr)>& onRow);

// The whole picture as a 24-bit bitmap.
TDIB DecodeJpeg(std::span<const uint8_t> bytes);
