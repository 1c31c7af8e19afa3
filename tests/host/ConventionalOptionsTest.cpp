#include <gtest/gtest.h>

#include "host/CommandLine.h"
#include "host/ConventionalOptions.h"

namespace {

TEST(ConventionalOption, OnlyTheExactOptionsAreTakenBeforeTheModeLetters)
{
    EXPECT_EQ(ConventionalOption("--help"), TConventionalOption::Help);
    EXPECT_EQ(ConventionalOption("-h"), TConventionalOption::Help);
    EXPECT_EQ(ConventionalOption("--version"), TConventionalOption::Version);
    // XScreenSaver's start, the mode letters and near misses keep the grammar.
    for (const char* other : {"--root", "", "/h", "-H", "h", "--HELP", "--help=1", "-help", "--versions", "-v", "/s"})
        EXPECT_EQ(ConventionalOption(other), TConventionalOption::None) << other;
    EXPECT_EQ(ChooseMode("--root"), smSaver);
}

TEST(ConventionalOption, VersionIsOneLineNamingTheProgram)
{
    const std::string version = VersionText();
    EXPECT_EQ(version.rfind("tessaly ", 0), 0u);
    EXPECT_EQ(version.find('\n'), version.size() - 1);
}

}
