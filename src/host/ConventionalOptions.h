#pragma once
#include <string>
#include <string_view>

// The options every Linux program answers, looked at before the mode letters:
// without them "--help" would start the full-screen saver (its second
// character is no letter). Only these exact first arguments count; every
// other argument keeps the mode grammar.
enum class TConventionalOption {
    None,
    Help,      // --help, -h
    Version,   // --version
};

TConventionalOption ConventionalOption(std::string_view firstArgument);

// What --help prints: the modes, the settings file, the error log, the
// renderer choice and the diagnostic switch.
std::string UsageText();
// What --version prints: "tessaly " and the version, one line.
std::string VersionText();
