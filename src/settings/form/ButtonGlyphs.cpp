#include "settings/form/ButtonGlyphs.h"

#include <array>
#include <string_view>

namespace {

using TGlyphRows = std::array<std::string_view, kButtonGlyphSize>;

// Picture frame with a drop shadow, a white mat, and in it a sun over green
// hills under a cyan sky, in the 16-colour palette such glyphs were drawn with.
constexpr TGlyphRows kAddPicture{
    ".................",
    ".................",
    ".KKKKKKKKKKKKKK..",
    ".KWWWWWWWWWWWWK..",
    ".KWCCCCCCCYYCWKSS",
    ".KWCCCCCCYYYYWKSS",
    ".KWCCCgCCYYYYWKSS",
    ".KWCCgggCCYYCWKSS",
    ".KWCgggggCCCgWKSS",
    ".KWgggGGGgCggWKSS",
    ".KWgGGGGGGGGgWKSS",
    ".KWGGGGGGGGGGWKSS",
    ".KWWWWWWWWWWWWKSS",
    ".KKKKKKKKKKKKKKSS",
    "...SSSSSSSSSSSSSS",
    "...SSSSSSSSSSSSSS",
    ".................",
};

// A black X of two-pixel bars.
constexpr TGlyphRows kRemovePicture{
    ".................",
    ".................",
    ".................",
    "...KK.......KK...",
    "...KKK.....KKK...",
    "....KKK...KKK....",
    ".....KKK.KKK.....",
    "......KKKKK......",
    ".......KKK.......",
    "......KKKKK......",
    ".....KKK.KKK.....",
    "....KKK...KKK....",
    "...KKK.....KKK...",
    "...KK.......KK...",
    ".................",
    ".................",
    ".................",
};

uint32_t Colour(char key)
{
    switch (key) {
    case 'K':
        return 0xff000000;   // frame, the X
    case 'W':
        return 0xffffffff;   // mat
    case 'C':
        return 0xff00ffff;   // sky
    case 'Y':
        return 0xffffff00;   // sun
    case 'g':
        return 0xff008000;   // far hill
    case 'G':
        return 0xff00ff00;   // near hill
    case 'S':
        return 0xff808080;   // shadow
    default:
        return 0x00000000;   // see-through
    }
}

TDIB Draw(const TGlyphRows& rows)
{
    TDIB dib;
    dib.SetSize(kButtonGlyphSize, kButtonGlyphSize, 32);
    for (int y = 0; y < kButtonGlyphSize; ++y)
        for (int x = 0; x < kButtonGlyphSize; ++x)
            dib.SetColor(x, y, Colour(rows[size_t(y)][size_t(x)]));
    return dib;
}

} // namespace

TDIB ButtonGlyph(TButtonGlyph glyph)
{
    switch (glyph) {
    case TButtonGlyph::AddPicture:
        return Draw(kAddPicture);
    case TButtonGlyph::RemovePicture:
        return Draw(kRemovePicture);
    case TButtonGlyph::None:
        break;
    }
    return {};
}
