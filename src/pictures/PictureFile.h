#pragma once
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "render/TDIB.h"

// The most a picture is shown at: a picture larger than this is decoded
// reduced, keeping its proportions.
struct TPictureBox {
    int32_t Width = 3840;
    int32_t Height = 2160;
};

// The whole content of a regular file, read without ever waiting on the file
// for long (see TFileStream). Throws EInvalidGraphic with the reason when it
// cannot be read, and when it is longer than maxBytes ("too large").
std::vector<uint8_t> ReadPictureFileBytes(const std::string& fileName, uint64_t maxBytes = UINT64_MAX,
                                          const std::atomic<bool>* stop = nullptr);

// Decodes file bytes by the kind an extension names, compared without regard
// to case: "bmp" and "dib" bitmaps, "jpg" and "jpeg", "png". Icons and
// metafiles ("ico", "emf", "wmf") have no decoder here and are refused as
// unreadable; any other extension throws "Unknown picture file extension (.%s)".
// The result is 24 bits, or 32 bits with alpha for a PNG with an alpha
// channel (its colours then drawn over black).
TDIB DecodePictureBytes(std::span<const uint8_t> bytes, const std::string& extension);

// A picture as loaded, with the size of the picture in the file (the bitmap
// may be smaller).
struct TLoadedPicture {
    TDIB Dib;
    int32_t Width = 0;
    int32_t Height = 0;
};

// Loads a picture file by name, its kind chosen by its extension as above.
// The file is streamed; its decoded size is judged from its header before
// anything large is allocated. A picture that fits in the box decodes as
// above; a larger JPEG or PNG is decoded reduced to the box, at the cost of
// about one reduced bitmap; a larger bitmap file, or one that needs more
// memory than two box-sized 32-bit bitmaps, is refused as too large. Once
// `stop` is true the load gives up promptly (EFileStreamStopped).
TLoadedPicture LoadPicture(const std::string& fileName, const TPictureBox& box,
                           const std::atomic<bool>* stop = nullptr);
TDIB LoadPictureFile(const std::string& fileName);

// The text after the last dot of the file name's last part; empty if none.
std::string PictureExtension(const std::string& fileName);
