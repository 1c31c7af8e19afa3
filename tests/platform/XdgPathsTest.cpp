#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/XdgPaths.h"

namespace {

// Sets an environment variable for one test and puts the old value back.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const char* value) : Name(name)
    {
        if (const char* old = std::getenv(name))
            Old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~TScopedEnv()
    {
        if (Old)
            setenv(Name, Old->c_str(), 1);
        else
            unsetenv(Name);
    }

private:
    const char* Name;
    std::optional<std::string> Old;
};

TEST(XdgPaths, VariablesWinWhenAbsolute)
{
    TScopedEnv home("HOME", "/home/someone");
    {
        TScopedEnv config("XDG_CONFIG_HOME", "/tmp/cfg");
        TScopedEnv state("XDG_STATE_HOME", "/tmp/st");
        EXPECT_EQ(XdgConfigDir(), "/tmp/cfg/tessaly");
        EXPECT_EQ(XdgStateDir(), "/tmp/st/tessaly");
    }
    // Unset, empty and relative values fall back to the folders in HOME.
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/dir"}) {
        TScopedEnv config("XDG_CONFIG_HOME", ignored);
        TScopedEnv state("XDG_STATE_HOME", ignored);
        EXPECT_EQ(XdgConfigDir(), "/home/someone/.config/tessaly");
        EXPECT_EQ(XdgStateDir(), "/home/someone/.local/state/tessaly");
    }
}

TEST(XdgPaths, WithoutHomeThePasswordDatabaseAnswers)
{
    TScopedEnv home("HOME", nullptr);
    TScopedEnv config("XDG_CONFIG_HOME", nullptr);
    const std::string dir = XdgConfigDir().string();
    EXPECT_TRUE(dir.ends_with("/.config/tessaly")) << dir;
    EXPECT_EQ(dir.front(), '/');
}

}
