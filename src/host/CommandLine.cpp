#include "host/CommandLine.h"

#include <utility>

namespace {

constexpr std::string_view SwitchPrefixes = "-/\\";
constexpr int64_t LowestInt32 = INT32_MIN;
constexpr int64_t HighestInt32 = INT32_MAX;
// Larger than any 32-bit magnitude, small enough that one more digit cannot
// overflow the 64-bit accumulator.
constexpr int64_t MagnitudeLimit = HighestInt32 + 1;

std::vector<std::string> Arguments;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

int DigitValue(char c, int base)
{
    int value = base;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (base == 16 && UpperAscii(c) >= 'A' && UpperAscii(c) <= 'F')
        value = UpperAscii(c) - 'A' + 10;
    return value < base ? value : -1;
}

[[noreturn]] void ThrowNotAnInteger(std::string_view text)
{
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}

void SetCommandLine(std::vector<std::string> arguments) { Arguments = std::move(arguments); }

std::string ParamStr(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= Arguments.size())
        return {};
    return Arguments[static_cast<size_t>(index)];
}

bool SwitchGiven(char letter, std::string_view firstArgument)
{
    if (firstArgument.empty())
        return true;
    if (firstArgument.size() == 1)
        return UpperAscii(firstArgument[0]) == letter;
    return SwitchPrefixes.find(firstArgument[0]) != std::string_view::npos && UpperAscii(firstArgument[1]) == letter;
}

bool SwitchGiven(char letter) { return SwitchGiven(letter, ParamStr(1)); }

TSaverMode ChooseMode(std::string_view firstArgument)
{
    if (SwitchGiven('C', firstArgument))
        return smConfigure;
    if (SwitchGiven('A', firstArgument))
        return smChangePassword;
    if (SwitchGiven('P', firstArgument))
        return smPreview;
    return smSaver;
}

int32_t StrToInt(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (pos < text.size() && (text[pos] == '$' || UpperAscii(text[pos]) == 'X')) {
        base = 16;
        ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '0' && UpperAscii(text[pos + 1]) == 'X') {
        base = 16;
        pos += 2;
    }
    if (pos == text.size())
        ThrowNotAnInteger(text);
    int64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos], base);
        if (digit < 0)
            ThrowNotAnInteger(text);
        magnitude = magnitude * base + digit;
        if (magnitude > MagnitudeLimit)
            ThrowNotAnInteger(text);
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < LowestInt32 || value > HighestInt32)
        ThrowNotAnInteger(text);
    return static_cast<int32_t>(value);
}
