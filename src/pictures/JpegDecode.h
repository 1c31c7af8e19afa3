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

// Where a streamed decode takes its bytes from: up to `size` bytes into
// `buffer`, 0 at the end. It may throw; the decoder is released and the
// exception passes on.
using TJpegReader = std::function<size_t(uint8_t* buffer, size_t size)>;

// Decodes from a reader, reduced by the library's own scaling (1/2, 1/4 or
// 1/8) as far as the rows still cover the picture reduced to the box (see
// ReducedSize). onSize receives the picture's full size and the size of the
// rows that follow; the rows' size is checked against the bitmap limits
// before decoding.
void DecodeJpegStream(const TJpegReader& read, int32_t boxWidth, int32_t boxHeight,
                      const std::function<void(const TJpegSize& full, const TJpegSize& rows)>& onSize,
                      const std::function<void(int32_t y, const uint8_t* bgr)>& onRow);

// The whole picture as a 24-bit bitmap.
TDIB DecodeJpeg(std::span<const uint8_t> bytes);
