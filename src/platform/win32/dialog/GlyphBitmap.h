#pragma once
#include "platform/win32/Windows.h"
#include "settings/form/BallParaForm.h"

// The form's picture of a small button as a bitmap for BM_SETIMAGE, its
// see-through ground filled with the button face's colour; the caller
// deletes it. Nothing for TButtonGlyph::None.
HBITMAP MakeGlyphBitmap(TButtonGlyph glyph);
