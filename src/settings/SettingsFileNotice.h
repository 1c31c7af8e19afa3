#pragma once
#include <optional>
#include <string>

// What the settings dialog tells the user, before anything is saved, when
// the settings file is damaged: that the dialog shows the defaults, why the
// file could not be read, and where the first save will keep the old file.
// Nothing when the file reads.
std::optional<std::string> SettingsFileNotice();
