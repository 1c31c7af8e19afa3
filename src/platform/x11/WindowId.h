#pragma once
#include <optional>
#include <string_view>

// A window id as other programs hand it over in text (XSCREENSAVER_WINDOW):
// hexadecimal after "0x" or "0X", decimal otherwise, nothing else around it.
std::optional<unsigned long> ParseWindowId(std::string_view text);
