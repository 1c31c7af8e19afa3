#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/Registry.h"

namespace fs = std::filesystem;

namespace {

class TRegistryTest : public testing::Test {
protected:
    fs::path Root;
    fs::path File;

    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tessaly-registry-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Root = pattern;
        File = Root / "tessaly" / "registry.reg";
        setenv("XDG_CONFIG_HOME", Root.c_str(), 1);
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(Root, ignored);
    }

    void WriteText(const std::string& text) const
    {
        fs::create_directories(File.parent_path());
        std::ofstream(File, std::ios::binary) << text;
    }

    std::string ReadText() const
    {
        std::ifstream in(File, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

template <typename Call>
std::string ErrorOf(Call call)
{
    try {
        call();
    } catch (const std::runtime_error& error) {
        EXPECT_NE(dynamic_cast<const ERegistryException*>(&error), nullptr);
        return error.what();
    }
    return "(no error)";
}

TEST_F(TRegistryTest, CurrentUserKeysLiveInTheSameFile)
{
    WriteText("REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"ScreenSaveUsePassword\"=dword:00000001\n");
    TRegistry user(TRootKey::rkCurrentUser);
    ASSERT_TRUE(user.OpenKey("Control Panel\\Desktop", false));
    EXPECT_EQ(user.ReadInteger("ScreenSaveUsePassword"), 1);
    // A key above a stored one exists too; one beside it does not.
    EXPECT_TRUE(user.OpenKey("control panel", false));
    EXPECT_FALSE(user.OpenKey("Control Panel\\Mouse", false));
    // The same path under the other root is another key.
    TRegistry machine(TRootKey::rkLocalMachine);
    EXPECT_FALSE(machine.OpenKey("Control Panel\\Desktop", false));
}

TEST_F(TRegistryTest, OpeningWithoutCreateWritesNothing)
{
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("software\\Tessaly", false));
    EXPECT_FALSE(fs::exists(File));
    EXPECT_TRUE(registry.OpenKey("\\software\\Tessaly\\", true));
    EXPECT_EQ(ReadText(), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n\n");
    EXPECT_TRUE(registry.OpenKey("SOFTWARE\\TESSALY", false));
}

TEST_F(TRegistryTest, ReadingAndWritingFailuresCarryTheMessages)
{
    TRegistry registry;
    // No key open: nothing can be read or written, strings read as empty.
    EXPECT_EQ(ErrorOf([&] { registry.ReadInteger("BallsCount"); }), "Failed to get data for 'BallsCount'");
    EXPECT_EQ(ErrorOf([&] { registry.WriteInteger("BallsCount", 1); }), "Failed to set data for 'BallsCount'");
    EXPECT_EQ(registry.ReadString("BackPic"), "");
    EXPECT_FALSE(registry.ValueExists("BackPic"));

    ASSERT_TRUE(registry.OpenKey("software\\Tessaly", true));
    EXPECT_EQ(ErrorOf([&] { registry.ReadBool("Missing"); }), "Failed to get data for 'Missing'");
    EXPECT_EQ(ErrorOf([&] { registry.WriteString("Bad\nName", "x"); }), "Failed to set data for 'Bad\nName'");
    EXPECT_EQ(ErrorOf([&] { registry.CreateKey("software\nx"); }), "Failed to create key software\nx");

    registry.WriteInteger("Number", -2);
    registry.WriteBool("Flag", true);
    registry.WriteString("Text", "C:\\a \"b\"");
    EXPECT_EQ(registry.ReadInteger("number"), -2);
    EXPECT_TRUE(registry.ReadBool("FLAG"));
    EXPECT_EQ(registry.ReadString("Text"), "C:\\a \"b\"");
    EXPECT_EQ(ErrorOf([&] { registry.ReadString("Number"); }), "Invalid data type for 'Number'");
    EXPECT_EQ(ErrorOf([&] { registry.ReadInteger("Text"); }), "Failed to get data for 'Text'");
    registry.WriteString("T", "1");
    EXPECT_EQ(ErrorOf([&] { registry.ReadInteger("T"); }), "Invalid data type for 'T'");
    registry.CloseKey();
    registry.CloseKey();
    EXPECT_NE(ReadText().find("\"Number\"=dword:fffffffe\n\"Flag\"=dword:00000001\n\"Text\"=\"C:\\\\a \\\"b\\\"\"\n"),
              std::string::npos) << ReadText();
}

TEST_F(TRegistryTest, WritesKeepChangesMadeSinceOpening)
{
    TRegistry first;
    TRegistry second;
    ASSERT_TRUE(first.OpenKey("software\\Tessaly", true));
    ASSERT_TRUE(second.OpenKey("software\\Tessaly", true));
    second.WriteInteger("FromSecond", 2);
    first.WriteInteger("FromFirst", 1);
    ASSERT_TRUE(second.OpenKey("software\\Tessaly", false));
    EXPECT_EQ(second.ReadInteger("FromFirst"), 1);
    EXPECT_EQ(second.ReadInteger("FromSecond"), 2);
}

TEST_F(TRegistryTest, DamagedHiveIsOnlyReplacedByCreateKey)
{
    const std::string damaged = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n\"x\"=dword:1\ngarbage\n";
    WriteText(damaged);
    TRegistry registry;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(registry.OpenKey("software\\Tessaly", false));
    EXPECT_FALSE(registry.OpenKey("software\\Tessaly", true));
    EXPECT_EQ(ReadText(), damaged);
    registry.CreateKey("software\\Tessaly");
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("damaged"), std::string::npos);
    EXPECT_EQ(ReadText(), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n\n");
    EXPECT_TRUE(registry.OpenKey("software\\Tessaly", false));
}

TEST_F(TRegistryTest, UnreadableHiveIsNeverReplaced)
{
    fs::create_directories(File);
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("software\\Tessaly", true));
    EXPECT_EQ(ErrorOf([&] { registry.CreateKey("software\\Tessaly"); }), "Failed to create key software\\Tessaly");
    EXPECT_TRUE(fs::is_directory(File));
}

}
