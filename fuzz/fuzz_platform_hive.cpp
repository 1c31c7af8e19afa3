// The hive reader over arbitrary bytes: it either rejects the text or reads a
// hive that its own written form reads back as exactly the same hive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/RegistryHive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TRegistryHive hive;
    try {
        hive = ParseHive(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const EHiveFormatError&) {
        return 0;
    }
    const std::string written = FormatHive(hive);
    TRegistryHive reread;
    try {
        reread = ParseHive(written);
    } catch (const EHiveFormatError&) {
        std::abort();
    }
    if (!(reread == hive) || FormatHive(reread) != written)
        std::abort();
    for (const THiveKey& key : hive.Keys)
        if (hive.FindKey(key.Path) != &key || !hive.KeyExists(key.Path))
            std::abort();
    return 0;
}
