#include "platform/XdgPaths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr const char* AppFolder = "tessaly";

std::filesystem::path HomeDir()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    // Started without HOME (some session managers do): the password database
    // still knows it.
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

// The convention ignores a variable that is unset, empty or relative.
std::filesystem::path BaseDir(const char* variable, const char* fallbackUnderHome)
{
    if (const char* value = std::getenv(variable); value && *value == '/')
        return value;
    return HomeDir() / fallbackUnderHome;
}

}

std::filesystem::path XdgConfigDir()
{
    return BaseDir("XDG_CONFIG_HOME", ".config") / AppFolder;
}

std::filesystem::path XdgStateDir()
{
    return BaseDir("XDG_STATE_HOME", ".local/state") / AppFolder;
}
