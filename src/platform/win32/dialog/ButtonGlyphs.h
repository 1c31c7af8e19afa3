#pragma once
#include "platform/win32/Windows.h"
#include "settings/form/BallParaForm.h"

// The 17 x 17 picture of a small button, on the button face's colour; the
// caller deletes it. Nothing for TButtonGlyph::None.
HBITMAP MakeButtonGlyph(TButtonGlyph glyph);
