#pragma once
#include <string>
#include <string_view>

// The picture file dialog's filter, written as description|patterns pairs
// joined by bars, the patterns of one pair separated by semicolons.
inline constexpr std::string_view kPictureFilter =
    "All (*.dib;*.png;*.jpg;*.jpeg;*.bmp)|*.dib;*.png;*.jpg;*.jpeg;*.bmp"
    "|Device Independent Bitmap (*.dib)|*.dib"
    "|Portable Network Graphics (*.png)|*.png"
    "|JPEG Image File (*.jpg)|*.jpg"
    "|JPEG Image File (*.jpeg)|*.jpeg"
    "|Bitmaps (*.bmp)|*.bmp";

// The same filter in Qt's file dialog form: one "description (pattern
// pattern)" per pair, pairs joined by ";;". Qt takes the patterns from the
// parentheses, separated by spaces, so the pair's own pattern list replaces
// whatever the description showed there. A trailing description without
// patterns is dropped.
std::string ToQtFilter(std::string_view barFilter);
