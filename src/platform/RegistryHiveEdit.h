#pragma once
#include <string>
#include <string_view>

#include "platform/RegistryHive.h"

// Changes to a hive file's text that keep everything else as it was: other
// keys and values, comments, the header, the encoding and the line ends. The
// user may keep the file by hand, in version control or as an export of
// another machine; a change of ours must not rewrite it in our own style.
//
// `bytes` is the file as read, empty when there is none; it must be a hive.
// The result always reads back as the old hive with the one change made.

// The text with the key added when it does not exist yet.
std::string HiveTextWithKey(std::string_view bytes, std::string_view keyPath);

// The text with the value set in the key, which is added when missing.
std::string HiveTextWithValue(std::string_view bytes, std::string_view keyPath, const THiveValue& value);
