#include <gtest/gtest.h>

#include <string>

#include "settings/GmInstrumentNames.h"
#include "settings/PictureFilter.h"

TEST(PictureFilter, ConvertsToQtForm)
{
    EXPECT_EQ(ToQtFilter(kPictureFilter),
              "All (*.dib *.png *.jpg *.jpeg *.bmp)"
              ";;Device Independent Bitmap (*.dib)"
              ";;Portable Network Graphics (*.png)"
              ";;JPEG Image File (*.jpg)"
              ";;JPEG Image File (*.jpeg)"
              ";;Bitmaps (*.bmp)");
}

TEST(PictureFilter, OddFiltersStayUsable)
{
    // The pair's patterns win over what the description shows.
    EXPECT_EQ(ToQtFilter("Pictures (*.x)|*.png;;*.jpg;"), "Pictures (*.png *.jpg)");
    EXPECT_EQ(ToQtFilter("Plain|*.bmp"), "Plain (*.bmp)");
    EXPECT_EQ(ToQtFilter("A|*.a|dangling"), "A (*.a)");
    EXPECT_EQ(ToQtFilter(""), "");
}

TEST(GmInstrumentNames, EveryProgramInOrderWithBothNames)
{
    for (size_t k = 0; k < kGmInstrumentNames.size(); ++k) {
        const std::string entry(kGmInstrumentNames[k]);
        SCOPED_TRACE(entry);
        EXPECT_EQ(entry.rfind(std::to_string(k) + ' ', 0), 0u);
        const auto gap = entry.find("   ");
        ASSERT_NE(gap, std::string::npos);
        const std::string english = entry.substr(0, gap);
        const std::string chinese = entry.substr(entry.find_first_not_of(' ', gap));
        EXPECT_GT(english.size(), std::to_string(k).size() + 1);
        EXPECT_EQ(chinese.find(' '), std::string::npos);
        bool wide = false;
        for (const unsigned char c : chinese)
            wide |= c >= 0x80;
        EXPECT_TRUE(wide) << "no Chinese name";
    }
}

TEST(GmInstrumentNames, QuotedEntriesAreExact)
{
    EXPECT_EQ(kGmInstrumentNames[0], "0 Acoustic Grand Piano   大钢琴（声学钢琴）");
    EXPECT_EQ(kGmInstrumentNames[1], "1 Bright Acoustic Piano         明亮的钢琴");
    EXPECT_EQ(kGmInstrumentNames[4], "4 Rhodes Piano                柔和的电钢琴");
    EXPECT_EQ(kGmInstrumentNames[76], "76 Bottle Blow               [中文名称暂缺]");
    EXPECT_EQ(kGmInstrumentNames[113], "113 Agogo                    [中文名称暂缺]");
    EXPECT_EQ(kGmInstrumentNames[127], "127 Gunshot                           枪声");
}
