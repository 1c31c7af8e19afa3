#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/TBallSettings.h"

// Every test gets its own configuration folder (XDG_CONFIG_HOME in a fresh
// temporary folder) and a settings record back at its initial values.
class TSettingsTest : public testing::Test {
protected:
    std::filesystem::path Home;

    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Home = pattern;
        setenv("XDG_CONFIG_HOME", Home.c_str(), 1);
        BallSettings = TBallSettings{};
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::permissions(Home, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(Home, ignored);
        BallSettings = TBallSettings{};
    }

    std::filesystem::path HivePath() const { return Home / "tessaly" / "registry.reg"; }

    void WriteHive(const std::string& text) const
    {
        std::filesystem::create_directories(HivePath().parent_path());
        std::ofstream(HivePath(), std::ios::binary) << text;
    }

    // A hive holding the settings key with the given value lines.
    void WriteSettingsKey(const std::string& valueLines) const
    {
        WriteHive("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n" + valueLines);
    }

    static std::string ReadFile(const std::filesystem::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};
