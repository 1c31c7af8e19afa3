#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "render/TDIB.h"

// The whole content of a file, opened for reading while others may read it
// too. Throws EInvalidGraphic with the reason when it cannot be read.
std::vector<uint8_t> ReadPictureFileBytes(const std::string& fileName);

// Decodes file bytes by the kind an extension names, compared without regard
// to case: "bmp" and "dib" bitmaps, "jpg" and "jpeg", "png". Icons and
// metafiles ("ico", "emf", "wmf") have no decoder here and are refused as
// unreadable; any other extension throws "Unknown picture file extension (.%s)".
// The result is 24 bits, or 32 bits with alpha for a PNG with an alpha
// channel (its colours then drawn over black).
TDIB DecodePictureBytes(std::span<const uint8_t> bytes, const std::string& extension);

// Loads a picture file by name, its kind chosen by its extension as above.
TDIB LoadPictureFile(const std::string& fileName);

// The text after the last dot of the file name's last part; empty if none.
std::string PictureExtension(const std::string& fileName);
