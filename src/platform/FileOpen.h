#pragma once
#include <cstdio>
#include <filesystem>
#include <string>

// std::fopen for names as the program keeps them: UTF-8 text (settings,
// picture lists) or a path. On Windows the C library would read a narrow name
// in the user's code page and miss every other character, so the names go to
// the system in UTF-16 there. Null when the file cannot be opened (errno says why).
std::FILE* OpenFile(const std::string& utf8Name, const char* mode);
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);
