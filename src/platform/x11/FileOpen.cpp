#include "platform/FileOpen.h"

std::FILE* OpenFile(const std::string& utf8Name, const char* mode) { return std::fopen(utf8Name.c_str(), mode); }

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }
