#pragma once
#include "render/TDIB.h"
#include "settings/form/BallParaForm.h"

inline constexpr int kButtonGlyphSize = 17;

// The picture of a small button of the form, drawn here rather than shipped
// as an image: 17 x 17 pixels, 32 bits with alpha, on a see-through ground.
// Empty for TButtonGlyph::None.
TDIB ButtonGlyph(TButtonGlyph glyph);
