#include "SettingsFixture.h"

#include <cmath>

#include "platform/Registry.h"

namespace {

using TLoadSettings = TSettingsTest;

void ExpectInitialValues(const TBallSettings& s)
{
    EXPECT_EQ(s.BackType, 1);
    EXPECT_EQ(s.BackPicture, "");
    ASSERT_TRUE(s.BackPicList && s.BallPicList);
    EXPECT_TRUE(s.BackPicList->empty());
    EXPECT_TRUE(s.BallPicList->empty());
    EXPECT_TRUE(s.ShowShadow);
    EXPECT_TRUE(s.SoundOpen);
    EXPECT_EQ(s.SoundType, 4);
    EXPECT_EQ(s.SizeFactor, 1.0f);
    EXPECT_EQ(s.UseMask, 0);
    EXPECT_EQ(s.BubbleStyle, 0);
    EXPECT_EQ(s.StyleSize, 100);
    EXPECT_EQ(s.Driver, "");
    EXPECT_EQ(s.BallsCount, 10);
    EXPECT_TRUE(s.RandomPlay);
    EXPECT_EQ(s.BackInterval, 10);
}

TEST_F(TLoadSettings, NoKeyGivesTheDefaultsAndWritesNothing)
{
    LoadSettings();
    ExpectInitialValues(BallSettings);
    EXPECT_FALSE(std::filesystem::exists(HivePath()));

    const std::string otherKey = "REGEDIT4\r\n; mine\r\n[HKEY_CURRENT_USER\\Other]\r\n\"a\"=dword:00000001";
    WriteHive(otherKey);
    LoadSettings();
    ExpectInitialValues(BallSettings);
    EXPECT_EQ(ReadFile(HivePath()), otherKey);
}

TEST_F(TLoadSettings, ReadsEveryValueWhateverTheCaseOfNames)
{
    WriteHive("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\tessaly]\r\n"
              "\"backtype\"=dword:00000002\r\n"
              "\"BackPic\"=hex(1):2f,61,2e,6a,70,67,0d,0a,2f,62,2e,6a,70,67,0d,0a,00\r\n"
              "\"BALLPIC\"=\"/p/a.jpg,\\\"/p/my pic.jpg\\\"\"\r\n"
              "\"ShowShadow\"=dword:00000000\r\n\"SoundOpen\"=dword:00000000\r\n\"SoundType\"=dword:00000013\r\n"
              "\"BallSize\"=dword:0000000f\r\n\"UseMask\"=dword:00000002\r\n\"BubbleStyle\"=dword:00000001\r\n"
              "\"Driver\"=\"GDI+\"\r\n\"BallsCount\"=dword:00000032\r\n\"RandomPlay\"=dword:00000000\r\n"
              "\"BackInterval\"=dword:0000001e\r\n");
    LoadSettings();
    const TBallSettings& s = BallSettings;
    EXPECT_EQ(s.BackType, 2);
    EXPECT_EQ(s.BackPicture, "/a.jpg\r\n/b.jpg\r\n");     // the text as read while not a slideshow
    EXPECT_EQ(*s.BackPicList, (TStringList{"/a.jpg", "/b.jpg"}));
    EXPECT_EQ(*s.BallPicList, (TStringList{"/p/a.jpg", "/p/my pic.jpg"}));
    EXPECT_FALSE(s.ShowShadow);
    EXPECT_FALSE(s.SoundOpen);
    EXPECT_EQ(s.SoundType, 19);
    EXPECT_EQ(s.SizeFactor, 1.5f);
    EXPECT_EQ(s.UseMask, 2);
    EXPECT_EQ(s.BubbleStyle, 1);
    EXPECT_EQ(s.StyleSize, 80);
    EXPECT_EQ(s.Driver, "GDI+");
    EXPECT_EQ(s.BallsCount, 50);
    EXPECT_FALSE(s.RandomPlay);
    EXPECT_EQ(s.BackInterval, 30);
}

TEST_F(TLoadSettings, SlideshowNeedsAPicture)
{
    WriteSettingsKey("\"BackType\"=dword:00000003\n");
    LoadSettings();
    EXPECT_EQ(BallSettings.BackType, 1);
    // The adjustment stays in memory.
    EXPECT_NE(ReadFile(HivePath()).find("\"BackType\"=dword:00000003"), std::string::npos);

    WriteSettingsKey("\"BackType\"=dword:00000003\n\"BackPic\"=hex(1):41,0d,0a,0d,0a,42,0d,0a,00\n");
    LoadSettings();
    EXPECT_EQ(BallSettings.BackType, 3);
    EXPECT_EQ(BallSettings.BackPicture, "A");
    EXPECT_EQ(*BallSettings.BackPicList, (TStringList{"A", "", "B"}));
}

TEST_F(TLoadSettings, SizeAndStyle)
{
    const struct { const char* stored; float factor; } sizes[] = {
        {"", 1.0f}, {"\"BallSize\"=dword:00000014\n", 2.0f}, {"\"BallSize\"=dword:00000002\n", 0.2f},
        {"\"BallSize\"=dword:00000003\n", 0.3f}, {"\"BallSize\"=dword:00000000\n", 0.0f},
        {"\"BallSize\"=dword:ffffffec\n", -2.0f},
    };
    for (const auto& size : sizes) {
        WriteSettingsKey(size.stored);
        LoadSettings();
        EXPECT_EQ(BallSettings.SizeFactor, size.factor) << size.stored;
    }
    const struct { const char* stored; int32_t style; int32_t styleSize; } styles[] = {
        {"", 0, 100}, {"\"BubbleStyle\"=dword:00000001\n", 1, 80}, {"\"BubbleStyle\"=dword:00000002\n", 2, 140},
        {"\"BubbleStyle\"=dword:00000007\n", 7, 0},     // no such style: the size is left alone
    };
    for (const auto& style : styles) {
        BallSettings = TBallSettings{};
        WriteSettingsKey(style.stored);
        LoadSettings();
        EXPECT_EQ(BallSettings.BubbleStyle, style.style) << style.stored;
        EXPECT_EQ(BallSettings.StyleSize, style.styleSize) << style.stored;
    }
}

TEST_F(TLoadSettings, NumbersOutsideTheDialogsRanges)
{
    WriteSettingsKey("\"ShowShadow\"=dword:00000002\n\"SoundOpen\"=dword:80000000\n\"BallsCount\"=dword:00000096\n"
                     "\"UseMask\"=dword:00000009\n\"SoundType\"=dword:000000c8\n\"BackInterval\"=dword:00000000\n");
    LoadSettings();
    EXPECT_TRUE(BallSettings.ShowShadow);
    EXPECT_TRUE(BallSettings.SoundOpen);
    EXPECT_EQ(BallSettings.BallsCount, 100);
    EXPECT_EQ(BallSettings.UseMask, 9);
    EXPECT_EQ(BallSettings.SoundType, 200);
    EXPECT_EQ(BallSettings.BackInterval, 0);

    WriteSettingsKey("\"BallsCount\"=dword:fffffffb\n");
    LoadSettings();
    EXPECT_EQ(BallSettings.BallsCount, 0);
}

TEST_F(TLoadSettings, StringsAcceptExpandableTextAndEndAtZero)
{
    WriteSettingsKey("\"Driver\"=hex(2):47,44,49,2b,00\n\"BallPic\"=hex(1):61,2c,62,00,2c,63,00\n");
    LoadSettings();
    EXPECT_EQ(BallSettings.Driver, "GDI+");
    EXPECT_EQ(*BallSettings.BallPicList, (TStringList{"a", "b"}));
}

// Runs LoadSettings and returns the message it raised.
std::string LoadError()
{
    try {
        LoadSettings();
    } catch (const ERegistryException& error) {
        return error.what();
    }
    return "(no error)";
}

TEST_F(TLoadSettings, WrongTypeStopsTheLoadKeepingWhatWasRead)
{
    WriteSettingsKey("\"BackType\"=dword:00000002\n\"ShowShadow\"=dword:00000000\n\"SoundType\"=\"5\"\n"
                     "\"BallSize\"=dword:00000005\n\"BallsCount\"=dword:00000001\n");
    EXPECT_EQ(LoadError(), "Invalid data type for 'SoundType'");
    EXPECT_EQ(BallSettings.BackType, 2);
    EXPECT_FALSE(BallSettings.ShowShadow);
    ASSERT_TRUE(BallSettings.BackPicList && BallSettings.BallPicList);
    EXPECT_EQ(BallSettings.SizeFactor, 1.0f);
    EXPECT_EQ(BallSettings.BallsCount, 10);
    EXPECT_EQ(BallSettings.StyleSize, 0);

    BallSettings = TBallSettings{};
    WriteSettingsKey("\"BackPic\"=dword:00000001\n");
    EXPECT_EQ(LoadError(), "Invalid data type for 'BackPic'");
    EXPECT_TRUE(BallSettings.BackPicList && BallSettings.BackPicList->empty());

    WriteSettingsKey("\"Driver\"=hex:47,44,49\n");
    EXPECT_EQ(LoadError(), "Invalid data type for 'Driver'");
    WriteSettingsKey("\"RandomPlay\"=hex(b):01,00\n");
    EXPECT_EQ(LoadError(), "Invalid data type for 'RandomPlay'");
}

TEST_F(TLoadSettings, IntegerLongerThanFourBytesCannotBeRead)
{
    WriteSettingsKey("\"BallsCount\"=hex(4):05,00,00,00,00\n");
    EXPECT_EQ(LoadError(), "Failed to get data for 'BallsCount'");
    // Longer data fails as unreadable whatever its type.
    WriteSettingsKey("\"SoundOpen\"=\"true\"\n");
    EXPECT_EQ(LoadError(), "Failed to get data for 'SoundOpen'");
    // Shorter data is a smaller number.
    WriteSettingsKey("\"BackInterval\"=hex(4):07\n");
    EXPECT_EQ(LoadError(), "(no error)");
    EXPECT_EQ(BallSettings.BackInterval, 7);
}

TEST_F(TLoadSettings, DamagedHiveGivesDefaultsAndStaysAsItWas)
{
    const std::string damaged = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n\"BallsCount\"=dword:zz\n";
    WriteHive(damaged);
    testing::internal::CaptureStderr();
    LoadSettings();
    const std::string stderrText = testing::internal::GetCapturedStderr();
    ExpectInitialValues(BallSettings);
    EXPECT_EQ(ReadFile(HivePath()), damaged);
    EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
    EXPECT_NE(stderrText.find("line 4"), std::string::npos) << stderrText;
}

TEST_F(TLoadSettings, UnreachableHiveGivesDefaults)
{
    // A folder where the file should be cannot be read, even by root.
    std::filesystem::create_directories(HivePath());
    LoadSettings();
    ExpectInitialValues(BallSettings);

    // Nor can a configuration folder below a plain file be made.
    std::ofstream(Home / "plain") << "x";
    setenv("XDG_CONFIG_HOME", (Home / "plain").c_str(), 1);
    LoadSettings();
    ExpectInitialValues(BallSettings);
}

}
