#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/CommandLine.h"

namespace {

struct ModeCase {
    const char* FirstArgument;
    TSaverMode Expected;
};

TEST(ChooseMode, PicksTheModeByTheFirstArgument)
{
    const std::vector<ModeCase> cases = {
        {"", smConfigure},           // no argument: settings
        {"c", smConfigure},
        {"C", smConfigure},
        {"/c", smConfigure},
        {"-C", smConfigure},
        {"\\c", smConfigure},
        {"/c:4196", smConfigure},    // whatever follows the letter is ignored
        {"/cxyz", smConfigure},
        {"a", smChangePassword},
        {"/A", smChangePassword},
        {"-a", smChangePassword},
        {"p", smPreview},
        {"/p", smPreview},
        {"/P4196", smPreview},       // one argument: the parent is missing
        {"\\P", smPreview},
        {"/s", smSaver},
        {"S", smSaver},
        {"\\s", smSaver},
        {"/x", smSaver},
        {"xyz", smSaver},
        {"hello", smSaver},
        {"-x", smSaver},
        {"//s", smSaver},            // second character "/" names no letter
        {"//c", smSaver},
        {"cc", smSaver},             // two characters need a switch prefix
        {"pc", smSaver},
        {"+c", smSaver},
        {"/", smSaver},              // one character that is no letter
        {"-", smSaver},
        {" c", smSaver},
        {"\xE9", smSaver},           // only ASCII letters are folded
        {"/\xE3", smSaver},
    };
    for (const ModeCase& c : cases)
        EXPECT_EQ(ChooseMode(c.FirstArgument), c.Expected) << "first argument '" << c.FirstArgument << "'";
}

TEST(SwitchGiven, EmptyArgumentAnswersEveryLetterAndOthersOnlyTheirOwn)
{
    for (char letter : std::string("ACPSZ"))
        EXPECT_TRUE(SwitchGiven(letter, "")) << letter;
    EXPECT_TRUE(SwitchGiven('S', "/s"));
    EXPECT_FALSE(SwitchGiven('C', "/s"));
    EXPECT_TRUE(SwitchGiven('P', "-p:123"));
    EXPECT_FALSE(SwitchGiven('P', "p:123"));
}

TEST(SwitchGiven, ReadsTheStoredCommandLine)
{
    SetCommandLine({"tessaly", "/p", "4196"});
    EXPECT_TRUE(SwitchGiven('P'));
    EXPECT_FALSE(SwitchGiven('C'));
    EXPECT_EQ(ParamStr(0), "tessaly");
    EXPECT_EQ(ParamStr(2), "4196");
    EXPECT_EQ(ParamStr(3), "");
    EXPECT_EQ(ParamStr(-1), "");

    SetCommandLine({"tessaly"});
    EXPECT_TRUE(SwitchGiven('C'));
    EXPECT_TRUE(SwitchGiven('P'));
}

struct NumberCase {
    const char* Text;
    int32_t Expected;
};

TEST(StrToInt, AcceptsDecimalAndHexadecimalWithBlanksAndSign)
{
    const std::vector<NumberCase> cases = {
        {"0", 0},
        {"4196", 4196},
        {"007", 7},
        {" -12", -12},
        {"   \t 42", 42},
        {"+5", 5},
        {"-0", 0},
        {"$ff", 255},
        {"$FF", 255},
        {"0x1F", 31},
        {"0X1f", 31},
        {"x10", 16},
        {"X10", 16},
        {"-$10", -16},
        {"+0x10", 16},
        {" $7FFFFFFF", INT32_MAX},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-$80000000", INT32_MIN},
        {"-0x80000000", INT32_MIN},
        {"0000000000000000000000000012", 12},
        {"0x3a00007", 0x3a00007},
    };
    for (const NumberCase& c : cases)
        EXPECT_EQ(StrToInt(c.Text), c.Expected) << "text '" << c.Text << "'";
}

TEST(StrToInt, RejectsEverythingElseWithTheConversionMessage)
{
    const std::vector<std::string> rejected = {
        "",
        "   ",
        "-",
        "+",
        "$",
        "0x",
        "x",
        "-x",
        "12a",
        "a12",
        "1 2",
        "12 ",                     // trailing blanks are not allowed
        "+-5",
        "--5",
        "- 5",
        "0x-5",
        "$$1",
        "00x1",
        "1.5",
        "1e3",
        "$fg",
        "0b101",
        "\xD9\xA3",                // non-ASCII digits
        std::string("12\0" "3", 4),
        "2147483648",              // one past the top
        "-2147483649",
        "$80000000",
        "0xFFFFFFFF",
        "99999999999999999999999999",
        "$123456789ABCDEF0123",
    };
    for (const std::string& text : rejected) {
        try {
            const int32_t value = StrToInt(text);
            ADD_FAILURE() << "'" << text << "' gave " << value;
        } catch (const EConvertError& error) {
            // what() is a C string: an embedded zero byte ends it there.
            const std::string expected = "'" + text + "' is not a valid integer value";
            EXPECT_STREQ(error.what(), expected.c_str());
        }
    }
}

}
