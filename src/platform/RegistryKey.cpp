#include "platform/RegistryKey.h"

#include <cstdio>

#include "platform/RegistryHiveEdit.h"

namespace {

constexpr char PathSeparator = '\\';

std::string_view StripSeparators(std::string_view subKey)
{
    while (!subKey.empty() && subKey.front() == PathSeparator)
        subKey.remove_prefix(1);
    while (!subKey.empty() && subKey.back() == PathSeparator)
        subKey.remove_suffix(1);
    return subKey;
}

// One line on standard error: a damaged hive changes what the program does
// (defaults instead of the user's settings) without any window to say so.
void ReportDamaged(const THiveFile& file, const std::string& problem)
{
    std::fprintf(stderr, "tessaly: %s is damaged (%s); it is left untouched and read as empty\n",
                 file.Path().c_str(), problem.c_str());
}

}

std::string_view RootKeyName(TRootKey root)
{
    return root == TRootKey::rkCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

TRegKey::TRegKey(THiveFile file, std::string keyPath, THiveKey snapshot)
    : File(std::move(file)), KeyPath(std::move(keyPath)), Snapshot(std::move(snapshot))
{
}

std::optional<TRegKey> TRegKey::Open(const std::filesystem::path& hiveFile, TRootKey root,
                                     std::string_view subKey, TKeyAccess access)
{
    subKey = StripSeparators(subKey);
    if (!IsStorableName(subKey))
        return std::nullopt;
    std::string path(RootKeyName(root));
    if (!subKey.empty())
        path += PathSeparator + std::string(subKey);

    THiveFile file(hiveFile);
    const bool changing = access != TKeyAccess::kaOpen;
    const THiveFile::TLock lock = changing ? file.LockExclusive() : file.LockShared();
    THiveSnapshot snapshot = file.Read();
    if (snapshot.State == THiveState::hsUnreadable)
        return std::nullopt;
    if (snapshot.State == THiveState::hsDamaged) {
        if (access != TKeyAccess::kaCreateReplacingDamaged) {
            ReportDamaged(file, snapshot.Problem);
            return std::nullopt;
        }
        const std::filesystem::path aside = file.MoveAside();
        if (aside.empty())
            return std::nullopt;
        std::fprintf(stderr, "tessaly: the damaged %s was kept as %s\n", file.Path().c_str(), aside.c_str());
        snapshot.Hive = {};
        snapshot.Bytes.clear();
    }
    // A root key always exists, as on the platform.
    const bool exists = subKey.empty() || snapshot.Hive.KeyExists(path);
    if (!exists) {
        if (!changing)
            return std::nullopt;
        if (!file.Write(HiveTextWithKey(snapshot.Bytes, path), lock))
            return std::nullopt;
    }
    const THiveKey* stored = snapshot.Hive.FindKey(path);
    return TRegKey(std::move(file), path, stored ? *stored : THiveKey{path, {}});
}

std::optional<TRegValueData> TRegKey::Query(std::string_view name) const
{
    const THiveValue* value = Snapshot.FindValue(name);
    if (!value)
        return std::nullopt;
    return TRegValueData{value->Type, value->Data};
}

bool TRegKey::Set(std::string_view name, uint32_t type, const TRegData& data)
{
    if (!IsStorableName(name))
        return false;
    const THiveFile::TLock lock = File.LockExclusive();
    THiveSnapshot snapshot = File.Read();
    // Someone else's change since the key was opened is kept; a file that
    // has since become unreadable or damaged is not written over.
    if (snapshot.State == THiveState::hsUnreadable || snapshot.State == THiveState::hsDamaged)
        return false;
    THiveKey& key = snapshot.Hive.AddKey(KeyPath);
    key.SetValue(name, type, data);
    const THiveKey updated = key;
    if (!File.Write(HiveTextWithValue(snapshot.Bytes, KeyPath, THiveValue{std::string(name), type, data}), lock))
        return false;
    Snapshot = updated;
    return true;
}
