#include "platform/XdgPaths.h"

#include "platform/win32/Windows.h"

#include <shlobj.h>

namespace {

// %LOCALAPPDATA%\Tessaly: the user's own, always writable, never roaming.
// (The drive's root, where an older saver kept its log, needs an
// administrator on current Windows.)
std::filesystem::path LocalAppDataFolder()
{
    PWSTR folder = nullptr;
    std::filesystem::path path;
    if (SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder) == S_OK)
        path = std::filesystem::path(folder) / L"Tessaly";
    CoTaskMemFree(folder);
    if (path.empty()) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, temp);
        path = std::filesystem::path(temp) / L"Tessaly";
    }
    return path;
}

}

std::filesystem::path XdgConfigDir() { return LocalAppDataFolder(); }

std::filesystem::path XdgStateDir() { return LocalAppDataFolder(); }
