#pragma once
#include <filesystem>

// The per-user folders of the XDG base directory convention. Neither is
// created here: whoever writes into one creates it (with create_directories).

// $XDG_CONFIG_HOME/tessaly, else ~/.config/tessaly: the registry hive.
std::filesystem::path XdgConfigDir();

// $XDG_STATE_HOME/tessaly, else ~/.local/state/tessaly: the error log.
std::filesystem::path XdgStateDir();
