#pragma once
#include <string>

// Runs the settings dialog as the application's only window until it closes.
// The settings record must be loaded first. Throws std::runtime_error when
// no display can be reached.
void RunSettingsDialog();

// An error that ends settings mode, shown in an error box before the program
// ends: started from the desktop's menu, there is no terminal to read it in.
// Nothing is shown when no display can be reached.
void ShowSettingsModeError(const std::string& text);
