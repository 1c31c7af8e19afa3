#include <gtest/gtest.h>

#include <string>

#include "platform/RegistryHive.h"

namespace {

using namespace std::string_literals;

TRegData Bytes(std::string_view text)
{
    return TRegData(text.begin(), text.end());
}

TRegData Text(std::string_view text)
{
    TRegData data = Bytes(text);
    data.push_back(0);
    return data;
}

TRegistryHive EveryKindOfValue()
{
    TRegistryHive hive;
    THiveKey& key = hive.AddKey("HKEY_LOCAL_MACHINE\\software\\Tessaly");
    key.SetValue("", RegType::Sz, Text("the default"));
    key.SetValue("Plain", RegType::Sz, Text("C:\\dir\\\"quoted\" 图片.jpg"));
    key.SetValue("Empty", RegType::Sz, Text(""));
    key.SetValue("Lines", RegType::Sz, Text("/a.jpg\r\n/b.jpg\r\n"));
    key.SetValue("Unterminated", RegType::Sz, Bytes("no zero"));
    key.SetValue("Nothing", RegType::Sz, {});
    key.SetValue("Expand", RegType::ExpandSz, Text("%HOME%\\pics"));
    key.SetValue("Count", RegType::Dword, {0x0a, 0, 0, 0});
    key.SetValue("Short", RegType::Dword, {0x07});
    key.SetValue("Binary", RegType::Binary, TRegData(300, 0xab));
    key.SetValue("Qword", 0xb, {1, 2, 3, 4, 5, 6, 7, 8});
    key.SetValue("Multi", RegType::MultiSz, Bytes("a\0b\0\0"s));
    key.SetValue("None", RegType::None, {});
    key.SetValue("Odd \\name\" =", 0x12345678, {0xff});
    hive.AddKey("HKEY_CURRENT_USER\\Control Panel\\Desktop").SetValue("ScreenSaveUsePassword", RegType::Dword, {1, 0, 0, 0});
    hive.AddKey("HKEY_LOCAL_MACHINE\\empty key ] with bracket");
    return hive;
}

TEST(RegistryHiveText, EveryTypeReadsBackUnchanged)
{
    const TRegistryHive hive = EveryKindOfValue();
    const std::string text = FormatHive(hive);
    EXPECT_EQ(ParseHive(text), hive) << text;
    EXPECT_EQ(FormatHive(ParseHive(text)), text);
}

TEST(RegistryHiveText, WritesTheFamiliarForms)
{
    const std::string text = FormatHive(EveryKindOfValue());
    for (const char* line : {"REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n", "\n@=\"the default\"\n",
                             "\n\"Plain\"=\"C:\\\\dir\\\\\\\"quoted\\\" 图片.jpg\"\n", "\n\"Empty\"=\"\"\n",
                             "\n\"Lines\"=hex(1):2f,61,2e,6a,70,67,0d,0a,2f,62,2e,6a,70,67,0d,0a,00\n",
                             "\n\"Nothing\"=hex(1):\n", "\n\"Count\"=dword:0000000a\n", "\n\"Short\"=hex(4):07\n",
                             "\n\"Expand\"=hex(2):25,48,4f,4d,45,25,5c,70,69,63,73,00\n",
                             "\n\"Qword\"=hex(b):01,02,03,04,05,06,07,08\n", "\n\"None\"=hex(0):\n",
                             "\n\"Odd \\\\name\\\" =\"=hex(12345678):ff\n",
                             "\n[HKEY_LOCAL_MACHINE\\empty key ] with bracket]\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n---\n" << text;
    // Long data wraps within 80 columns, each line but the last ending in a backslash.
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
        start = end + 1;
    }
    EXPECT_NE(text.find("ab,ab,\\\n  ab,ab"), std::string::npos);
}

TEST(RegistryHiveText, ReadsHandWrittenText)
{
    const TRegistryHive hive = ParseHive(
        "\xEF\xBB\xBFREGEDIT4\r\n"
        "; settings of the saver\r\n"
        "\r\n"
        "  [HKEY_LOCAL_MACHINE\\software\\Tessaly]  \r\n"
        "\"BallsCount\" = DWORD:1E\r\n"
        "\"Path\"=\"C:\\pics\\a.jpg\"\r\n"          // a lone backslash stands for itself
        "\"Bin\"=hex:01, 02,\\\r\n"
        "    03,\\\r\n"
        "  04,\r\n"
        "@=\"dflt\"\r\n"
        "\"\"=\"also the default\"\r\n"
        "\"ballscount\"=dword:00000020\r\n"
        "[hkey_local_machine\\SOFTWARE\\tessaly]\r\n"
        "\"Later\"=\"merged\"\r\n");
    ASSERT_EQ(hive.Keys.size(), 1u);
    const THiveKey& key = hive.Keys.front();
    EXPECT_EQ(key.Path, "HKEY_LOCAL_MACHINE\\software\\Tessaly");
    ASSERT_EQ(key.Values.size(), 5u);
    EXPECT_EQ(key.FindValue("BALLSCOUNT")->Name, "BallsCount");
    EXPECT_EQ(key.FindValue("BallsCount")->Data, (TRegData{0x20, 0, 0, 0}));
    EXPECT_EQ(key.FindValue("path")->Data, Text("C:\\pics\\a.jpg"));
    EXPECT_EQ(key.FindValue("Bin")->Data, (TRegData{1, 2, 3, 4}));
    EXPECT_EQ(key.FindValue("")->Data, Text("also the default"));
    EXPECT_TRUE(hive.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY"));
    EXPECT_TRUE(hive.KeyExists("hkey_local_machine\\software"));
    EXPECT_FALSE(hive.KeyExists("HKEY_LOCAL_MACHINE\\soft"));
}

TEST(RegistryHiveText, RemovalLinesTakeOutKeysAndValues)
{
    const TRegistryHive hive = ParseHive(
        "REGEDIT4\n[A\\B]\n\"x\"=dword:1\n\"y\"=dword:2\n\"x\"=-\n[A\\B\\C]\n[A\\D]\n[-A\\B]\n\"ignored\"=dword:3\n");
    ASSERT_EQ(hive.Keys.size(), 1u);
    EXPECT_EQ(hive.Keys.front().Path, "A\\D");
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

TEST(RegistryHiveText, ReadsAVersion5ExportInUtf16)
{
    const TRegistryHive hive = ParseHive(Utf16Le(
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly]\r\n"
        u"\"BallPic\"=\"C:\\\\图片\\\\一.jpg\"\r\n"
        u"\"Path\"=hex(2):25,00,53,00,59,00,25,00,00,00\r\n"
        u"\"Wide\"=hex(1):fe,56,00,00\r\n"
        u"\"Raw\"=hex:fe,56\r\n"
        u"\"Count\"=dword:0000000a\r\n"));
    const THiveKey& key = hive.Keys.front();
    EXPECT_EQ(key.FindValue("BallPic")->Data, Text("C:\\图片\\一.jpg"));
    // Text inside hex data of string types is UTF-16 in this format; the hive keeps UTF-8.
    EXPECT_EQ(key.FindValue("Path")->Data, Text("%SY%"));
    EXPECT_EQ(key.FindValue("Wide")->Data, Text("图"));
    EXPECT_EQ(key.FindValue("Raw")->Data, (TRegData{0xfe, 0x56}));
    EXPECT_EQ(key.FindValue("Count")->Data, (TRegData{0x0a, 0, 0, 0}));
    // And it is written back as REGEDIT4.
    EXPECT_TRUE(FormatHive(hive).starts_with("REGEDIT4\n"));
}

TEST(RegistryHiveText, RejectsWhatIsNotAHive)
{
    const std::string damaged[] = {
        "", "[HKEY_LOCAL_MACHINE\\x]\n", "REGEDIT5\n", "Windows Registry Editor Version 5.00x\n",
        "REGEDIT4\n\"x\"=dword:1\n",                         // value before any key
        "REGEDIT4\n[A]\n\"x\"=dword:\n", "REGEDIT4\n[A]\n\"x\"=dword:123456789\n", "REGEDIT4\n[A]\n\"x\"=dword:-1\n",
        "REGEDIT4\n[A]\n\"x\"=dword:0x10\n", "REGEDIT4\n[A]\n\"x\"=\"open\n", "REGEDIT4\n[A]\n\"x\"=\"a\"b\n",
        "REGEDIT4\n[A]\n\"x\"=\"ends in escape\\\"\n", "REGEDIT4\n[A]\n\"x\"\"y\"\n", "REGEDIT4\n[A]\n\"x\"=text\n",
        "REGEDIT4\n[A]\n\"x\"=hex:1g\n", "REGEDIT4\n[A]\n\"x\"=hex:100\n", "REGEDIT4\n[A]\n\"x\"=hex:01,,02\n",
        "REGEDIT4\n[A]\n\"x\"=hex(:01\n", "REGEDIT4\n[A]\n\"x\"=hex()\n", "REGEDIT4\n[A]\n\"x\"=hex:01,\\\n",
        "REGEDIT4\n[A\n", "REGEDIT4\n[]\n", "REGEDIT4\n[-]\n", "REGEDIT4\n[A] x\n", "REGEDIT4\nx=1\n",
        "REGEDIT4\n[A]\n\"x\"=\"zero\0byte\"\n"s, "\xFF\xFE" "R\0E\0G\0"s,   // odd length
        "\xFF\xFE" "\x00\xD8" "A\0"s,                                        // lone surrogate
    };
    for (const std::string& text : damaged)
        EXPECT_THROW(ParseHive(text), EHiveFormatError) << text;
    try {
        ParseHive("REGEDIT4\n\n[A]\n\"x\"=dword:zz\n");
        FAIL();
    } catch (const EHiveFormatError& error) {
        EXPECT_STREQ(error.what(), "line 4: a dword needs 1 to 8 hexadecimal digits");
    }
}

TEST(RegistryHiveModel, NamesIgnoreAsciiCaseOnly)
{
    TRegistryHive hive;
    THiveKey& key = hive.AddKey("HKEY_LOCAL_MACHINE\\Ä");
    EXPECT_EQ(&hive.AddKey("hkey_local_machine\\Ä"), &key);
    key.SetValue("Name", RegType::Dword, {1});
    key.SetValue("NAME", RegType::Sz, Text("x"));
    ASSERT_EQ(key.Values.size(), 1u);
    EXPECT_EQ(key.Values.front().Name, "Name");       // the first spelling stays
    EXPECT_EQ(key.Values.front().Type, RegType::Sz);
    EXPECT_EQ(hive.FindKey("HKEY_LOCAL_MACHINE\\ä"), nullptr);
    hive.AddKey("HKEY_LOCAL_MACHINE\\Ä\\sub");
    hive.AddKey("HKEY_LOCAL_MACHINE\\Äsibling");
    hive.RemoveKey("hkey_local_machine\\Ä");
    ASSERT_EQ(hive.Keys.size(), 1u);
    EXPECT_EQ(hive.Keys.front().Path, "HKEY_LOCAL_MACHINE\\Äsibling");
}

}
