// The hive reader over arbitrary bytes: it either rejects the text or reads a
// hive that its own written form reads back as exactly the same hive. A value
// or key set in place in that text reads back as the hive with that change.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/RegistryHive.h"
#include "platform/RegistryHiveEdit.h"

namespace {

constexpr const char* SettingsKey = "HKEY_LOCAL_MACHINE\\software\\Tessaly";

TRegistryHive Reread(const std::string& text)
{
    try {
        return ParseHive(text);
    } catch (const EHiveFormatError&) {
        std::abort();
    }
}

void CheckEdits(std::string_view bytes, const TRegistryHive& hive)
{
    TRegistryHive withKey = hive;
    withKey.AddKey(SettingsKey);
    const std::string keyText = HiveTextWithKey(bytes, SettingsKey);
    if (!(Reread(keyText) == (hive.KeyExists(SettingsKey) ? hive : withKey)))
        std::abort();
    // Text with line breaks is written as hex data, in UTF-16 in a version 5 file.
    const std::string lines = "/图片/a.jpg\r\n/b.jpg\r\n";
    const THiveValue values[] = {
        {"BallsCount", RegType::Dword, {7, 0, 0, 0}},
        {"backpic", RegType::Sz, TRegData(lines.c_str(), lines.c_str() + lines.size() + 1)},
    };
    for (const THiveValue& value : values) {
        TRegistryHive wanted = hive;
        wanted.AddKey(SettingsKey).SetValue(value.Name, value.Type, value.Data);
        if (!(Reread(HiveTextWithValue(bytes, SettingsKey, value)) == wanted))
            std::abort();
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TRegistryHive hive;
    try {
        hive = ParseHive(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const EHiveFormatError&) {
        return 0;
    }
    const std::string written = FormatHive(hive);
    const TRegistryHive reread = Reread(written);
    if (!(reread == hive) || FormatHive(reread) != written)
        std::abort();
    for (const THiveKey& key : hive.Keys)
        if (hive.FindKey(key.Path) != &key || !hive.KeyExists(key.Path))
            std::abort();
    CheckEdits(std::string_view(reinterpret_cast<const char*>(data), size), hive);
    return 0;
}
