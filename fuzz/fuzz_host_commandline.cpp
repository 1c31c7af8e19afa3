// The command line comes from whoever starts the program: the mode choice and
// the conversion of the preview's parent must cope with any bytes.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/CommandLine.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool PlainDecimal(std::string_view text)
{
    if (!text.empty() && text.front() == '-')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

void CheckMode(std::string_view first)
{
    const TSaverMode mode = ChooseMode(first);
    Check(mode == smConfigure || mode == smChangePassword || mode == smPreview || mode == smSaver);
    Check((mode == smConfigure) == SwitchGiven('C', first));
    if (first.empty())
        Check(mode == smConfigure);
}

void CheckNumber(std::string_view second)
{
    int32_t value = 0;
    try {
        value = StrToInt(second);
    } catch (const EConvertError& error) {
        const std::string message = "'" + std::string(second) + "' is not a valid integer value";
        Check(std::string(error.what()) == message.c_str());
        if (PlainDecimal(second)) {
            // A plain decimal number is refused only when it does not fit.
            int32_t expected = 0;
            const auto result = std::from_chars(second.data(), second.data() + second.size(), expected);
            Check(result.ec == std::errc::result_out_of_range);
        }
        return;
    }
    Check(StrToInt(std::to_string(value)) == value);
    if (PlainDecimal(second)) {
        int32_t expected = 0;
        std::from_chars(second.data(), second.data() + second.size(), expected);
        Check(value == expected);
    }
}

}

// The input is the first argument, a zero byte, and the second argument.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view first = input.substr(0, split);
    const std::string_view second = split == std::string_view::npos ? input : input.substr(split + 1);
    CheckMode(first);
    CheckNumber(second);
    return 0;
}
