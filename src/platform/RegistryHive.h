#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The registry's value types, numbered as the platform numbers them.
namespace RegType {
constexpr uint32_t None = 0;
constexpr uint32_t Sz = 1;
constexpr uint32_t ExpandSz = 2;
constexpr uint32_t Binary = 3;
constexpr uint32_t Dword = 4;
constexpr uint32_t MultiSz = 7;
}

using TRegData = std::vector<uint8_t>;

// One named value; the empty name is the key's default value ("@").
struct THiveValue {
    std::string Name;
    uint32_t Type = RegType::None;
    TRegData Data;       // strings in UTF-8 with their terminating zero
    bool operator==(const THiveValue&) const = default;
};

// One key with its full path, root included ("HKEY_LOCAL_MACHINE\software\Tessaly").
struct THiveKey {
    std::string Path;
    std::vector<THiveValue> Values;
    bool operator==(const THiveKey&) const = default;

    // Names compare without regard to ASCII case, as the platform's do.
    const THiveValue* FindValue(std::string_view name) const;
    // Replaces the value of that name, keeping its place and spelling, or adds it.
    void SetValue(std::string_view name, uint32_t type, TRegData data);
    void RemoveValue(std::string_view name);
};

// The keys of a hive file in the order they were read or added. Keys the
// program does not know are carried along untouched.
struct TRegistryHive {
    std::vector<THiveKey> Keys;
    bool operator==(const TRegistryHive&) const = default;

    THiveKey* FindKey(std::string_view path);
    const THiveKey* FindKey(std::string_view path) const;
    // A key exists when it is stored or when a stored key lies below it.
    bool KeyExists(std::string_view path) const;
    THiveKey& AddKey(std::string_view path);
    // Removes the key and every key below it.
    void RemoveKey(std::string_view path);
};

// A hive text that cannot be read; what() names the line and the fault.
class EHiveFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

bool SameTextAscii(std::string_view a, std::string_view b);

// Reads a REGEDIT4 text (UTF-8, LF or CR LF), or a "Windows Registry Editor
// Version 5.00" export in UTF-16LE with its byte-order mark. Throws
// EHiveFormatError when the text is not a hive.
TRegistryHive ParseHive(std::string_view bytes);

// Writes the hive as REGEDIT4 text with LF line ends.
std::string FormatHive(const TRegistryHive& hive);

// Whether a key path or value name can be written as a line of hive text.
bool IsStorableName(std::string_view name);
