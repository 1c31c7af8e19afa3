#pragma once
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "pictures/PngAlpha.h"
#include "pictures/TBitmap.h"
#include "render/TDIB.h"
#include "render/TMemoryStream.h"
#include "settings/TBallSettings.h"

constexpr int PictureSlotCount = 10;

// Slots 1..10 of the pictures shown inside bubbles; index 0 is not used.
using TPictureDIBs = std::array<std::unique_ptr<TDIB>, PictureSlotCount + 1>;

// The decoder a picture path goes to, by a substring test on the upper-cased
// path (not an extension test): ".PNG" first, then ".JPG" or ".JPEG".
enum class TSlotPath { Png, Jpeg, Generic };
TSlotPath ChooseSlotPath(const std::string& path);

// Removes spaces and control characters from both ends.
std::string TrimText(const std::string& text);

// Converts the pictures of slots 1..10 (entries 1..10 of the list) in order through the shared scratch
// bitmap and shapes each into its 256 × 256 bitmap. mask is the decoded mask
// picture when one applies. A slot whose entry is empty, names no file, or
// whose file does not decode stays empty.
//
// The files are decoded in parallel, but the result is the one the plain
// order gives: a PNG is drawn over the scratch bitmap only when its turn
// comes, over exactly the pixels the conversions before it left there.
void ConvertPictureSlots(const TStringList* ballPicList, const TPngImage* mask, TBitmap& scratch,
                         TMemoryStream& stream, TPictureDIBs& slots);
