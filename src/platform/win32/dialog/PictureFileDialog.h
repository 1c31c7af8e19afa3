#pragma once
#include <string_view>

#include "platform/win32/Windows.h"
#include "settings/TBallSettings.h"

// The system's file-open dialog for pictures, owned by `owner`: the chosen
// files as full paths in UTF-8, in the order the dialog gives them; one at
// most unless `multiSelect`; none when the user cancels. `filter` is written
// as description|patterns pairs joined by bars.
TStringList ChoosePictureFiles(HWND owner, std::string_view filter, bool multiSelect);
