#include <gtest/gtest.h>

#include "settings/ListText.h"

namespace {

using namespace std::string_literals;

TEST(LineText, SplitsAtEveryKindOfLineBreak)
{
    EXPECT_EQ(ReadLineText(""), TStringList{});
    EXPECT_EQ(ReadLineText("a.jpg\r\n"), TStringList{"a.jpg"});
    EXPECT_EQ(ReadLineText("a.jpg"), TStringList{"a.jpg"});
    EXPECT_EQ(ReadLineText("A\r\n\r\nB\r\n"), (TStringList{"A", "", "B"}));
    EXPECT_EQ(ReadLineText("A\rB\nC\r\nD"), (TStringList{"A", "B", "C", "D"}));
    // A CR before a CR LF is a line of its own.
    EXPECT_EQ(ReadLineText("A\r\r\nB"), (TStringList{"A", "", "B"}));
    EXPECT_EQ(ReadLineText("A\n\rB"), (TStringList{"A", "", "B"}));
    EXPECT_EQ(ReadLineText("\r\n"), TStringList{""});
    EXPECT_EQ(ReadLineText("\r\n\r\n"), (TStringList{"", ""}));
    // The stored string ends at a zero byte.
    EXPECT_EQ(ReadLineText("A\r\nB\0C\r\n"s), (TStringList{"A", "B"}));
}

TEST(LineText, WritesEveryPathWithItsLineBreak)
{
    EXPECT_EQ(WriteLineText({}), "");
    EXPECT_EQ(WriteLineText({"/p/a b.jpg", "", "/p/\"c\",d.png"}), "/p/a b.jpg\r\n\r\n/p/\"c\",d.png\r\n");
    for (const TStringList& list : {TStringList{}, TStringList{""}, TStringList{"", ""}, TStringList{"x", "", "y", ""},
                                    TStringList{"/home/用户/图片/一.jpg", " leading and trailing "}})
        EXPECT_EQ(ReadLineText(WriteLineText(list)), list);
}

TEST(CommaText, ReadsTheHandWrittenForms)
{
    EXPECT_EQ(ReadCommaText(""), TStringList{});
    EXPECT_EQ(ReadCommaText("   "), TStringList{});
    EXPECT_EQ(ReadCommaText("a,b"), (TStringList{"a", "b"}));
    // An unquoted path with a space falls apart at the space.
    EXPECT_EQ(ReadCommaText("/p/my pic.jpg"), (TStringList{"/p/my", "pic.jpg"}));
    EXPECT_EQ(ReadCommaText("/p/a.jpg,\"/p/my pic.jpg\""), (TStringList{"/p/a.jpg", "/p/my pic.jpg"}));
    // A comma at the very end adds one empty entry, one followed by blanks does not.
    EXPECT_EQ(ReadCommaText("a,"), (TStringList{"a", ""}));
    EXPECT_EQ(ReadCommaText("a, "), TStringList{"a"});
    EXPECT_EQ(ReadCommaText(","), (TStringList{"", ""}));
    EXPECT_EQ(ReadCommaText(",a"), (TStringList{"", "a"}));
    EXPECT_EQ(ReadCommaText("a,,b"), (TStringList{"a", "", "b"}));
    EXPECT_EQ(ReadCommaText("  a ,\t b  "), (TStringList{"a", "b"}));
    EXPECT_EQ(ReadCommaText("\"\""), TStringList{""});
    EXPECT_EQ(ReadCommaText("\"say \"\"hi\"\"\",x"), (TStringList{"say \"hi\"", "x"}));
    // A missing closing quote runs to the end; text after a closing quote is the next entry.
    EXPECT_EQ(ReadCommaText("\"a,b"), TStringList{"a,b"});
    EXPECT_EQ(ReadCommaText("\"a\"b"), (TStringList{"a", "b"}));
    EXPECT_EQ(ReadCommaText("a\"b"), TStringList{"a\"b"});
    EXPECT_EQ(ReadCommaText("a,b\0,c"s), (TStringList{"a", "b"}));
    // Multibyte characters pass through whole.
    EXPECT_EQ(ReadCommaText("图片一.jpg,\"图 片.png\""), (TStringList{"图片一.jpg", "图 片.png"}));
}

TEST(CommaText, QuotesOnlyWhereNeeded)
{
    EXPECT_EQ(WriteCommaText({}), "");
    EXPECT_EQ(WriteCommaText({""}), "\"\"");
    EXPECT_EQ(WriteCommaText({"/p/a.jpg", "/p/my pic.jpg"}), "/p/a.jpg,\"/p/my pic.jpg\"");
    EXPECT_EQ(WriteCommaText({"a,b", "q\"uote", "tab\there", "plain"}), "\"a,b\",\"q\"\"uote\",\"tab\there\",plain");
    EXPECT_EQ(WriteCommaText({"a", ""}), "a,");
    EXPECT_EQ(WriteCommaText({"", "a"}), ",a");
    EXPECT_EQ(WriteCommaText({"\x1f"}), "\"\x1f\"");
}

TEST(CommaText, EveryListReadsBackUnchanged)
{
    const TStringList lists[] = {
        {}, {""}, {"", ""}, {"", "", ""}, {"a", ""}, {"", "a"}, {"a", "", "b"},
        {"/p/my pic.jpg"}, {" lead", "trail ", "\"", "\"\"", ",", ", ,"},
        {"/home/用户/图片/一 二.jpg", "C:\\pics\\a.bmp"},
    };
    for (const TStringList& list : lists)
        EXPECT_EQ(ReadCommaText(WriteCommaText(list)), list) << WriteCommaText(list);
}

}
