#pragma once
#include <string>
#include <string_view>

// The program keeps text in UTF-8; the system's W interfaces take UTF-16.
// Invalid sequences become U+FFFD rather than being dropped.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
