// The settings registry on Windows: the user's key is written, the machine's
// key is still read where the user's has no value, and text keeps every
// character on its way through UTF-16.
#include <gtest/gtest.h>

#include <string>

#include "platform/Registry.h"
#include "platform/win32/Wide.h"
#include "platform/win32/Windows.h"

namespace {

class TWin32Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        Key = "software\\TessalyTest" + std::to_string(GetCurrentProcessId());
        WideKey = Utf8ToWide(Key);
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, WideKey.c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideKey.c_str());
    }

    // What an administrator (or an earlier install) left in the machine's key.
    void WriteMachineDword(const wchar_t* name, DWORD value)
    {
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, WideKey.c_str(), name, REG_DWORD, &value, sizeof value),
                  ERROR_SUCCESS);
    }
    void WriteMachineString(const wchar_t* name, const std::wstring& value)
    {
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, WideKey.c_str(), name, REG_SZ, value.c_str(),
                                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    bool UserHas(const wchar_t* name)
    {
        return RegGetValueW(HKEY_CURRENT_USER, WideKey.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }
    bool MachineHas(const wchar_t* name)
    {
        return RegGetValueW(HKEY_LOCAL_MACHINE, WideKey.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

    std::string Key;
    std::wstring WideKey;
};

TEST_F(TWin32Registry, WritesGoToTheUsersKeyAndReadBackInANewHandle)
{
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(Key, true));
        registry.WriteInteger("BallsCount", 7);
        registry.WriteBool("SoundOpen", false);
        registry.WriteString("BackPic", "D:\\照片\\西湖 春.jpg");
    }
    EXPECT_TRUE(UserHas(L"BallsCount"));
    EXPECT_FALSE(MachineHas(L"BallsCount"));

    TRegistry again;
    ASSERT_TRUE(again.OpenKey(Key, false));
    EXPECT_EQ(again.ReadInteger("BallsCount"), 7);
    EXPECT_FALSE(again.ReadBool("SoundOpen"));
    EXPECT_EQ(again.ReadString("BackPic"), "D:\\照片\\西湖 春.jpg");

    // The system holds the text as UTF-16, so other programs read it right.
    wchar_t stored[64] = {};
    DWORD size = sizeof stored;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, WideKey.c_str(), L"BackPic", RRF_RT_REG_SZ, nullptr, stored, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(stored), L"D:\\\u7167\u7247\\\u897F\u6E56 \u6625.jpg");
}

TEST_F(TWin32Registry, MachineValuesAreReadWhereTheUserHasNone)
{
    WriteMachineDword(L"BallsCount", 12);
    WriteMachineString(L"BackPic", L"C:\\\u58C1\u7EB8.png");

    TRegistry registry;
    // The key exists only for the machine: opening without creating finds it.
    ASSERT_TRUE(registry.OpenKey(Key, false));
    EXPECT_EQ(registry.ReadInteger("BallsCount"), 12);
    EXPECT_EQ(registry.ReadString("BackPic"), "C:\\壁纸.png");

    // The user's own value wins from then on; the machine's stays as it was.
    ASSERT_TRUE(registry.OpenKey(Key, true));
    registry.WriteInteger("BallsCount", 3);
    TRegistry again;
    ASSERT_TRUE(again.OpenKey(Key, false));
    EXPECT_EQ(again.ReadInteger("BallsCount"), 3);
    EXPECT_EQ(again.ReadString("BackPic"), "C:\\壁纸.png");
    DWORD machine = 0;
    DWORD size = sizeof machine;
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, WideKey.c_str(), L"BallsCount", RRF_RT_REG_DWORD, nullptr, &machine,
                           &size),
              ERROR_SUCCESS);
    EXPECT_EQ(machine, 12u);
}

TEST_F(TWin32Registry, MissingKeysAndWrongTypesFailAsOnLinux)
{
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey(Key, false));
    WriteMachineString(L"BallsCount", L"ten");
    ASSERT_TRUE(registry.OpenKey(Key, false));
    EXPECT_FALSE(registry.ValueExists("Missing"));
    EXPECT_EQ(registry.ReadString("Missing"), "");
    EXPECT_THROW(registry.ReadInteger("BallsCount"), ERegistryException);
    EXPECT_THROW(registry.ReadInteger("Missing"), ERegistryException);
}

}
