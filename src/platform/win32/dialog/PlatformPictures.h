#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "render/TDIB.h"

// Icons ("ico") and metafiles ("emf", "wmf") decoded by the system's GDI and
// drawn on `background` (0xRRGGBB) into a 24-bit bitmap. Nothing for any
// other extension; throws EInvalidGraphic when the file is not such a picture
// and the file reader's error when it cannot be read.
std::optional<TDIB> DecodeWithGdi(const std::string& path, std::string_view extension, uint32_t background);
