#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/RegistryHiveFile.h"
#include "platform/RegistryKey.h"

// A registry failure; what() is the message shown to the user.
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    static ERegistryException CreateKeyFailed(std::string_view key);
    static ERegistryException SetDataFailed(std::string_view name);
    static ERegistryException InvalidDataType(std::string_view name);
    static ERegistryException GetDataFailed(std::string_view name);
};

// A hive file that is there but is not a hive.
struct THiveDamage {
    std::string File;
    std::string Problem;        // where and why it cannot be read
    std::string KeptAsStem;     // the next CreateKey keeps it under this name and a time stamp
};

// Typed access to one key at a time. Opening reports failure by its result;
// reading and writing values raise ERegistryException with the registry's
// message texts.
class TRegistry {
public:
    explicit TRegistry(TRootKey root = TRootKey::rkLocalMachine, std::filesystem::path hiveFile = DefaultHivePath());

    // Opens `key` below the root, creating it when allowed; closes the key
    // open before. False when it cannot be opened.
    bool OpenKey(std::string_view key, bool canCreate);
    // Creates `key` (an existing key is fine) without opening it; a damaged
    // hive file is moved aside first. Raises "Failed to create key %s".
    void CreateKey(std::string_view key);
    void CloseKey();

    // Nothing when the hive reads (or is not there yet).
    std::optional<THiveDamage> Damage() const;

    bool ValueExists(std::string_view name) const;
    // Integers are REG_DWORD of at most four bytes.
    int32_t ReadInteger(std::string_view name) const;
    bool ReadBool(std::string_view name) const;
    // REG_SZ or REG_EXPAND_SZ up to the first zero; absent or empty reads as "".
    std::string ReadString(std::string_view name) const;

    void WriteInteger(std::string_view name, int32_t value);
    void WriteBool(std::string_view name, bool value);
    // Written as REG_SZ with its terminating zero.
    void WriteString(std::string_view name, std::string_view value);

private:
    TRootKey Root;
    std::filesystem::path HiveFile;
    std::optional<TRegKey> CurrentKey;

    void Put(std::string_view name, uint32_t type, const TRegData& data);
};
