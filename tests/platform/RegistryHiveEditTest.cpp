#include <gtest/gtest.h>

#include <string>

#include "platform/RegistryHiveEdit.h"

namespace {

using namespace std::string_literals;

constexpr const char* Key = "HKEY_LOCAL_MACHINE\\software\\Tessaly";

THiveValue Dword(const std::string& name, uint8_t number)
{
    return {name, RegType::Dword, {number, 0, 0, 0}};
}

THiveValue Sz(const std::string& name, std::string_view text)
{
    TRegData data(text.begin(), text.end());
    data.push_back(0);
    return {name, RegType::Sz, data};
}

std::string Utf16Le(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// A file kept by hand: comments, CR LF, a key of another program on both
// sides of ours, and a last line without a line end.
const std::string HandKept =
    "REGEDIT4\r\n"
    "; my settings, kept in git\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
    "\"Colour\"=\"blue\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\tessaly]\r\n"
    "; fewer bubbles on the laptop\r\n"
    "\"ballscount\"=dword:00000005\r\n"
    "\"Blob\"=hex:01,02,\\\r\n"
    "  03\r\n"
    "\r\n"
    "; the end\r\n"
    "[HKEY_CURRENT_USER\\Software\\Last]\r\n"
    "\"x\"=dword:00000001";

TEST(RegistryHiveEdit, ChangesOnlyTheValueItSets)
{
    // In place, keeping the name's spelling.
    std::string expected = HandKept;
    expected.replace(expected.find("\"ballscount\"=dword:00000005"), 27, "\"ballscount\"=dword:00000014");
    EXPECT_EQ(HiveTextWithValue(HandKept, Key, Dword("BallsCount", 20)), expected);

    // A value written over several lines becomes one line.
    expected = HandKept;
    expected.replace(expected.find("\"Blob\""), 26, "\"Blob\"=dword:00000002\r\n");
    EXPECT_EQ(HiveTextWithValue(HandKept, Key, Dword("blob", 2)), expected);

    // A new value after the key's last one, with the file's line end.
    const std::string added = HiveTextWithValue(HandKept, Key, Sz("BackPic", "/a\r\n"));
    EXPECT_EQ(added, "REGEDIT4\r\n; my settings, kept in git\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                     "\"Colour\"=\"blue\"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\tessaly]\r\n"
                     "; fewer bubbles on the laptop\r\n\"ballscount\"=dword:00000005\r\n"
                     "\"Blob\"=hex:01,02,\\\r\n  03\r\n\"BackPic\"=hex(1):2f,61,0d,0a,00\r\n\r\n; the end\r\n"
                     "[HKEY_CURRENT_USER\\Software\\Last]\r\n\"x\"=dword:00000001");

    // The last line keeps having no line end.
    const std::string last = HiveTextWithValue(HandKept, "HKEY_CURRENT_USER\\Software\\Last", Dword("x", 2));
    EXPECT_EQ(last, HandKept.substr(0, HandKept.size() - 1) + "2");
}

TEST(RegistryHiveEdit, AddsAMissingKeyAtTheEnd)
{
    EXPECT_EQ(HiveTextWithKey(HandKept, "HKEY_LOCAL_MACHINE\\software\\TESSALY"), HandKept);
    EXPECT_EQ(HiveTextWithKey(HandKept, "HKEY_LOCAL_MACHINE\\software"), HandKept);   // exists below

    EXPECT_EQ(HiveTextWithKey(HandKept, "HKEY_LOCAL_MACHINE\\New"), HandKept + "\r\n\r\n[HKEY_LOCAL_MACHINE\\New]\r\n\r\n");
    EXPECT_EQ(HiveTextWithValue("REGEDIT4\n\n[A]\n\"v\"=dword:00000001\n\n", Key, Dword("BallsCount", 10)),
              "REGEDIT4\n\n[A]\n\"v\"=dword:00000001\n\n[" + std::string(Key) + "]\n\"BallsCount\"=dword:0000000a\n\n");

    // No file yet.
    EXPECT_EQ(HiveTextWithKey("", Key), "REGEDIT4\n\n[" + std::string(Key) + "]\n\n");
    EXPECT_EQ(HiveTextWithValue("", Key, Dword("BallsCount", 10)),
              "REGEDIT4\n\n[" + std::string(Key) + "]\n\"BallsCount\"=dword:0000000a\n\n");
}

TEST(RegistryHiveEdit, Version5StaysUtf16)
{
    const std::string export5 = Utf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly]\r\n"
                                        u"\"BallPic\"=\"C:\\\\图片\\\\一.jpg\"\r\n"
                                        u"\"BallsCount\"=dword:0000000a\r\n");
    const std::string counted = HiveTextWithValue(export5, Key, Dword("BallsCount", 3));
    EXPECT_EQ(counted, Utf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n"
                               u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly]\r\n"
                               u"\"BallPic\"=\"C:\\\\图片\\\\一.jpg\"\r\n"
                               u"\"BallsCount\"=dword:00000003\r\n"));

    // Text in hex data is UTF-16 in this format, and reads back as written.
    const std::string lines = HiveTextWithValue(counted, Key, Sz("BackPic", "图\r\n"));
    EXPECT_EQ(lines, Utf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n"
                             u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly]\r\n"
                             u"\"BallPic\"=\"C:\\\\图片\\\\一.jpg\"\r\n"
                             u"\"BallsCount\"=dword:00000003\r\n"
                             u"\"BackPic\"=hex(1):fe,56,0d,00,0a,00,00,00\r\n"));
    EXPECT_EQ(ParseHive(lines).FindKey(Key)->FindValue("BackPic")->Data, Sz("", "图\r\n").Data);

    // A UTF-8 byte-order mark stays too.
    const std::string marked = "\xEF\xBB\xBFREGEDIT4\n\n[A]\n";
    EXPECT_TRUE(HiveTextWithValue(marked, "A", Dword("v", 1)).starts_with(marked));
}

TEST(RegistryHiveEdit, RemovalLinesStillGiveTheValueSet)
{
    // Changed in place, the value would still be removed further down.
    const std::string removedKey = "REGEDIT4\n\n[K]\n\"v\"=dword:00000001\n\n[-K]\n";
    const std::string keyBack = HiveTextWithValue(removedKey, "K", Dword("v", 2));
    EXPECT_TRUE(keyBack.starts_with(removedKey));
    EXPECT_EQ(ParseHive(keyBack).FindKey("K")->Values, std::vector<THiveValue>{Dword("v", 2)});

    const std::string removedValue = "REGEDIT4\n\n[K]\n\"v\"=dword:00000001\n\"v\"=-\n";
    const std::string valueBack = HiveTextWithValue(removedValue, "K", Dword("v", 2));
    EXPECT_TRUE(valueBack.starts_with(removedValue));
    EXPECT_EQ(ParseHive(valueBack).FindKey("K")->Values, std::vector<THiveValue>{Dword("v", 2)});

    // A value named twice: the later line is the one that counts and changes.
    const std::string twice = "REGEDIT4\n\n[K]\n\"v\"=dword:00000001\n[K]\n\"V\"=dword:00000003\n";
    EXPECT_EQ(HiveTextWithValue(twice, "K", Dword("v", 4)), "REGEDIT4\n\n[K]\n\"v\"=dword:00000001\n[K]\n\"V\"=dword:00000004\n");
}

}
