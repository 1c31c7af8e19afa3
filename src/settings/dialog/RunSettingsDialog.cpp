#include "settings/dialog/RunSettingsDialog.h"

#include <cstdio>

void RunSettingsDialog() { std::fputs("tessaly: the settings dialog is not built yet\n", stderr); }
