#pragma once
#include <cstdint>
#include <optional>
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

enum class THiveEncoding { heUtf8, heUtf8WithMark, heUtf16Le };

// Where things stand in a hive text, so that one value can be changed in
// place and everything around it kept byte for byte. Offsets count bytes of
// Text, the whole file as UTF-8 without a byte-order mark.
struct THiveLayout {
    struct TKeySection {
        std::string Path;
        bool Removal = false;       // a "[-path]" line
        size_t InsertAt = 0;        // just after the section's last value, or its key line
    };
    struct TValueLines {
        size_t Section = 0;         // index into Sections
        std::string Name;
        size_t Begin = 0;           // first line, and one past the last one (continuations
        size_t End = 0;             // and line end included)
    };
    THiveEncoding Encoding = THiveEncoding::heUtf8;
    bool Version5 = false;
    std::string Text;
    std::vector<TKeySection> Sections;
    std::vector<TValueLines> Values;    // values that set data, not removals
};

// Reads a REGEDIT4 text (UTF-8, LF or CR LF), or a "Windows Registry Editor
// Version 5.00" export in UTF-16LE with its byte-order mark. Throws
// EHiveFormatError when the text is not a hive. With `layout`, also records
// where its keys and values are written.
TRegistryHive ParseHive(std::string_view bytes, THiveLayout* layout = nullptr);

// Writes the hive as REGEDIT4 text with LF line ends.
std::string FormatHive(const TRegistryHive& hive);

// One value as the line(s) of a hive text, each ended by LF. A version 5
// text keeps string data written as hex bytes in UTF-16LE.
std::string FormatValueLines(const THiveValue& value, bool version5);

// The bytes of a hive file in the given encoding, from UTF-8 text; nothing
// when the text is not valid UTF-8 and the encoding is UTF-16.
std::optional<std::string> EncodeHiveText(std::string_view text, THiveEncoding encoding);

// Whether a key path or value name can be written as a line of hive text.
bool IsStorableName(std::string_view name);
