#pragma once

// Runs the settings dialog as the application's only window until it closes.
// The settings record must be loaded first.
void RunSettingsDialog();
