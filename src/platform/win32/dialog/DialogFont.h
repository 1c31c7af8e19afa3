#pragma once
#include <string>
#include <string_view>

#include "platform/win32/Windows.h"

// The face the dialog's captions are drawn in: the form's own face where it
// is installed and has a glyph for every character of `texts`, else the
// first of the Chinese faces current Windows versions ship that has them,
// else the form's face all the same (the system then picks its nearest).
std::wstring ChooseDialogFace(std::string_view formFace, std::wstring_view texts);

// A font of `face` at `pixels` pixels high, for WM_SETFONT; the caller deletes it.
HFONT MakeDialogFont(const std::wstring& face, int pixels);
