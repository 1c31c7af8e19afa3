#include "platform/RegistryKey.h"

#include <cstring>

#include "platform/win32/Wide.h"
#include "platform/win32/Windows.h"

// The machine settings live in the real registry. Current Windows lets an
// ordinary user read HKEY_LOCAL_MACHINE but not write it, so the
// local-machine key is seen through the user's own copy of it:
// - reads take the value from HKEY_CURRENT_USER\<key> when it is there, else
//   from HKEY_LOCAL_MACHINE\<key> (what an administrator or an earlier
//   install wrote stays the default);
// - writes go to HKEY_CURRENT_USER\<key>, which every user can write.
// Strings are UTF-16 in the registry and UTF-8 in the program.

namespace {

struct TRootPair {
    HKEY Own;        // read first, written
    HKEY Fallback;   // read when the own key lacks the value; may be null
};

TRootPair RootsOf(TRootKey root)
{
    if (root == TRootKey::rkLocalMachine)
        return {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    return {HKEY_CURRENT_USER, nullptr};
}

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// An open key that closes itself.
class TKeyHandle {
public:
    TKeyHandle() = default;
    ~TKeyHandle()
    {
        if (Key)
            RegCloseKey(Key);
    }
    TKeyHandle(const TKeyHandle&) = delete;
    TKeyHandle& operator=(const TKeyHandle&) = delete;
    HKEY* Out() { return &Key; }
    HKEY Get() const { return Key; }

private:
    HKEY Key = nullptr;
};

bool KeyExists(HKEY root, const std::wstring& path)
{
    TKeyHandle key;
    return root && RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Out()) == ERROR_SUCCESS;
}

std::optional<TRegValueData> QueryIn(HKEY root, const std::wstring& path, const std::wstring& name)
{
    TKeyHandle key;
    if (!root || RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<uint8_t> raw(size);
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, raw.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    raw.resize(size);
    TRegValueData value;
    value.Type = type;
    if (IsString(type)) {
        std::wstring text(raw.size() / sizeof(wchar_t), L'\0');
        std::memcpy(text.data(), raw.data(), text.size() * sizeof(wchar_t));
        const std::string utf8 = WideToUtf8(text);
        value.Data.assign(utf8.begin(), utf8.end());
    } else {
        value.Data = std::move(raw);
    }
    return value;
}

}

std::string_view RootKeyName(TRootKey root)
{
    return root == TRootKey::rkLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

// There is no hive file on Windows: the registry is the system's, and a
// damaged file is never what stands behind a key.
THiveFile::THiveFile(std::filesystem::path file) : File(std::move(file)) {}

THiveFile::TLock::TLock(const std::filesystem::path&, bool) {}

THiveFile::TLock::~TLock() = default;

THiveFile::TLock THiveFile::LockShared() const { return TLock(File, false); }

THiveSnapshot THiveFile::Read() const { return THiveSnapshot{}; }

std::filesystem::path THiveFile::AsideStem() const { return {}; }

std::filesystem::path DefaultHivePath() { return {}; }

std::optional<TRegKey> TRegKey::Open(const std::filesystem::path& hiveFile, TRootKey root, std::string_view subKey,
                                     TKeyAccess access)
{
    const TRootPair roots = RootsOf(root);
    const std::wstring path = Utf8ToWide(subKey);
    if (access == TKeyAccess::kaOpen) {
        if (!KeyExists(roots.Own, path) && !KeyExists(roots.Fallback, path))
            return std::nullopt;
    } else {
        TKeyHandle key;
        if (RegCreateKeyExW(roots.Own, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                            key.Out(), nullptr) != ERROR_SUCCESS)
            return std::nullopt;
    }
    return TRegKey(THiveFile(hiveFile), std::string(RootKeyName(root)) + "\\" + std::string(subKey), THiveKey{});
}

std::optional<TRegValueData> TRegKey::Query(std::string_view name) const
{
    const TRootKey root = KeyPath.starts_with("HKEY_LOCAL_MACHINE\\") ? TRootKey::rkLocalMachine : TRootKey::rkCurrentUser;
    const TRootPair roots = RootsOf(root);
    const std::wstring path = Utf8ToWide(KeyPath.substr(KeyPath.find('\\') + 1));
    const std::wstring wideName = Utf8ToWide(name);
    if (auto own = QueryIn(roots.Own, path, wideName))
        return own;
    return QueryIn(roots.Fallback, path, wideName);
}

bool TRegKey::Set(std::string_view name, uint32_t type, const TRegData& data)
{
    const TRootKey root = KeyPath.starts_with("HKEY_LOCAL_MACHINE\\") ? TRootKey::rkLocalMachine : TRootKey::rkCurrentUser;
    const std::wstring path = Utf8ToWide(KeyPath.substr(KeyPath.find('\\') + 1));
    TKeyHandle key;
    if (RegCreateKeyExW(RootsOf(root).Own, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.Out(), nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<uint8_t> raw;
    if (IsString(type)) {
        // The program's strings end with their zero; the system's too.
        const std::wstring text = Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
        raw.resize(text.size() * sizeof(wchar_t));
        std::memcpy(raw.data(), text.data(), raw.size());
    } else {
        raw = data;
    }
    return RegSetValueExW(key.Get(), Utf8ToWide(name).c_str(), 0, type, raw.data(), static_cast<DWORD>(raw.size())) ==
           ERROR_SUCCESS;
}

TRegKey::TRegKey(THiveFile file, std::string keyPath, THiveKey snapshot)
    : File(std::move(file)), KeyPath(std::move(keyPath)), Snapshot(std::move(snapshot))
{
}
