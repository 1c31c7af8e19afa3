#pragma once
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "platform/BgrPixels.h"

// A Windows bitmap file (BMP or DIB) that cannot be read.
class EBmpFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes a bitmap file image of any depth and compression the reader knows.
// Pictures larger than maxPixels are refused before any pixel is allocated.
TBgrPixels ReadBmpFile(std::span<const uint8_t> bytes, uint64_t maxPixels);

// The reader keeps per-thread state (its last error text); a thread that read
// bitmaps calls this before it ends, or that state is never freed.
void ReleaseBmpThreadState();
