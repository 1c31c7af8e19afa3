#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryHive.h"
#include "platform/RegistryHiveFile.h"

enum class TRootKey { rkLocalMachine, rkCurrentUser };

// "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER": the first part of a key's path
// in the hive file.
std::string_view RootKeyName(TRootKey root);

enum class TKeyAccess {
    kaOpen,                     // the key must exist already
    kaCreate,                   // created when missing
    kaCreateReplacingDamaged    // also sets a damaged hive file aside and starts afresh
};

struct TRegValueData {
    uint32_t Type = RegType::None;
    TRegData Data;
};

// An open key of the hive file, with the meanings of the platform's
// RegOpenKeyEx / RegCreateKeyEx, RegQueryValueEx, RegSetValueEx and
// RegCloseKey (closing is destruction). Failures are results, as there.
//
// A hive file that cannot be read, or read but not understood, opens no key;
// only kaCreateReplacingDamaged writes over a damaged one, and only after
// moving it aside under a name that says it is damaged.
class TRegKey {
public:
    static std::optional<TRegKey> Open(const std::filesystem::path& hiveFile, TRootKey root,
                                       std::string_view subKey, TKeyAccess access);

    // The value as the key was when opened or last written through this handle.
    std::optional<TRegValueData> Query(std::string_view name) const;
    // Writes one value (read-modify-write of the whole file under its lock).
    bool Set(std::string_view name, uint32_t type, const TRegData& data);

private:
    TRegKey(THiveFile file, std::string keyPath, THiveKey snapshot);

    THiveFile File;
    std::string KeyPath;
    THiveKey Snapshot;
};
