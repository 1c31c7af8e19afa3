// The two list texts over arbitrary bytes: whatever a reader makes of a text,
// writing that list and reading it again gives the same list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/ListText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const TStringList lines = ReadLineText(text);
    for (const std::string& line : lines)
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            std::abort();
    if (ReadLineText(WriteLineText(lines)) != lines)
        std::abort();

    const TStringList entries = ReadCommaText(text);
    const std::string comma = WriteCommaText(entries);
    if (ReadCommaText(comma) != entries || WriteCommaText(ReadCommaText(comma)) != comma)
        std::abort();
    return 0;
}
