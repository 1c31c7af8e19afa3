#include "platform/FileOpen.h"

#include "platform/win32/Wide.h"

std::FILE* OpenFile(const std::string& utf8Name, const char* mode)
{
    return _wfopen(Utf8ToWide(utf8Name).c_str(), Utf8ToWide(mode).c_str());
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
    return _wfopen(path.c_str(), Utf8ToWide(mode).c_str());
}
