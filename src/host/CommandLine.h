#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/SaverTypes.h"

// A text that is not a number where one is required, such as the window
// handle after /p. what() is "'<text>' is not a valid integer value".
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The process's arguments as the shell split and unquoted them; index 0 is the
// program. Stored once by the entry, read by the dispatch.
void SetCommandLine(std::vector<std::string> arguments);
// The argument at `index` (1 is the first after the program), empty when absent.
std::string ParamStr(int index);

// Whether the first argument asks for `letter` (an upper-case letter): a lone
// letter, or a letter after "-", "/" or "\" with anything following; no
// argument at all asks for every letter.
bool SwitchGiven(char letter, std::string_view firstArgument);
bool SwitchGiven(char letter);

// C, then A, then P; anything else runs the full-screen saver.
TSaverMode ChooseMode(std::string_view firstArgument);

// A signed 32-bit integer: leading blanks, an optional sign, decimal digits or
// hexadecimal ones after "$", "x" or "0x". Throws EConvertError otherwise,
// also when the value does not fit.
int32_t StrToInt(std::string_view text);
