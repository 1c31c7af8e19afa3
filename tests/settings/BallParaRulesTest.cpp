#include <gtest/gtest.h>

#include <climits>

#include "settings/BallParaRules.h"
#include "settings/ListText.h"

namespace {

TBallSettings DefaultRecord()
{
    TBallSettings settings;
    settings.BackPicList = std::make_unique<TStringList>();
    settings.BallPicList = std::make_unique<TStringList>();
    return settings;
}

} // namespace

TEST(BallParaOpening, DefaultRecordShowsTheDefaults)
{
    for (const bool withLists : {true, false}) {
        TBallSettings settings = withLists ? DefaultRecord() : TBallSettings{};
        const TBallParaValues values = ValuesFromSettings(settings);
        EXPECT_EQ(values.BackTag, kTagDefaultBack);
        EXPECT_TRUE(values.BackPics.empty());
        EXPECT_TRUE(values.BallPics.empty());
        EXPECT_EQ(values.BallsCount, 10);
        EXPECT_TRUE(values.ShowShadow);
        EXPECT_TRUE(values.SoundOpen);
        EXPECT_EQ(values.BallSize, 10);
        EXPECT_EQ(values.Driver, kDriverDirectX);
        EXPECT_FALSE(values.DriverChanged);
        EXPECT_EQ(values.UseMask, 0);
        EXPECT_EQ(values.BubbleStyle, 0);
        EXPECT_EQ(values.SoundType, 4);
        EXPECT_TRUE(values.RandomPlay);
        EXPECT_EQ(values.BackInterval, 10);
    }
}

TEST(BallParaOpening, NumbersAreClampedToTheirFields)
{
    TBallSettings settings = DefaultRecord();
    const struct {
        int balls, interval, wantBalls, wantInterval;
    } cases[] = {
        {150, 3, 100, 5}, {-4, 31, 0, 30}, {100, 5, 100, 5}, {0, 30, 0, 30},
        {INT_MAX, INT_MIN, 100, 5},
    };
    for (const auto& c : cases) {
        settings.BallsCount = c.balls;
        settings.BackInterval = c.interval;
        const auto values = ValuesFromSettings(settings);
        EXPECT_EQ(values.BallsCount, c.wantBalls) << c.balls;
        EXPECT_EQ(values.BackInterval, c.wantInterval) << c.interval;
    }
}

TEST(BallParaOpening, SliderRoundsHalvesToEvenInsideItsRange)
{
    TBallSettings settings = DefaultRecord();
    const struct {
        float factor;
        int position;
    } cases[] = {
        {0.3f, 3}, {1.5f, 15}, {2.0f, 20}, {0.2f, 2}, {1.25f, 12}, {0.75f, 8},
        {0.05f, 2}, {25.0f, 20}, {-1.0f, 2}, {1e30f, 20},
    };
    for (const auto& c : cases) {
        settings.SizeFactor = c.factor;
        EXPECT_EQ(ValuesFromSettings(settings).BallSize, c.position) << c.factor;
    }
}

TEST(BallParaOpening, ListIndexesOutsideTheirListSelectNothing)
{
    TBallSettings settings = DefaultRecord();
    settings.UseMask = 7;
    settings.BubbleStyle = -1;
    settings.SoundType = 128;
    auto values = ValuesFromSettings(settings);
    EXPECT_EQ(values.UseMask, kNoSelection);
    EXPECT_EQ(values.BubbleStyle, kNoSelection);
    EXPECT_EQ(values.SoundType, kNoSelection);

    settings.UseMask = 2;
    settings.BubbleStyle = 2;
    settings.SoundType = 127;
    values = ValuesFromSettings(settings);
    EXPECT_EQ(values.UseMask, 2);
    EXPECT_EQ(values.BubbleStyle, 2);
    EXPECT_EQ(values.SoundType, 127);
}

TEST(BallParaOpening, BackgroundKindAndRendererChoice)
{
    TBallSettings settings = DefaultRecord();
    const std::pair<int, int> kinds[] = {{1, 1}, {2, 2}, {3, 3}, {0, 1}, {4, 1}, {-3, 1}};
    for (const auto& [stored, tag] : kinds) {
        settings.BackType = stored;
        EXPECT_EQ(ValuesFromSettings(settings).BackTag, tag) << stored;
    }
    const std::pair<const char*, std::string_view> drivers[] = {
        {"GDI+", kDriverGdiPlus}, {"gdi+", kDriverDirectX}, {"GDI+ ", kDriverDirectX},
        {"", kDriverDirectX}, {"Directx 7.0", kDriverDirectX},
    };
    for (const auto& [stored, shown] : drivers) {
        settings.Driver = stored;
        EXPECT_EQ(ValuesFromSettings(settings).Driver, shown) << stored;
    }
}

TEST(BallParaOpening, PictureListsAreCopiedInOrder)
{
    TBallSettings settings = DefaultRecord();
    *settings.BackPicList = {"/p/a.jpg", "", "/p/a.jpg", "/照片/b c.png"};
    *settings.BallPicList = {"/p/with space.png", "/p/com,ma.png", "/p/\"q\".png", ""};
    const auto values = ValuesFromSettings(settings);
    EXPECT_EQ(values.BackPics, *settings.BackPicList);
    EXPECT_EQ(values.BallPics, *settings.BallPicList);
}

TEST(BallParaSaving, EveryValueComesFromItsControl)
{
    TBallParaValues values;
    values.BackTag = kTagUserBack;
    values.BackPics = {"/b/one.jpg", "/b/two words.png"};
    values.BallPics = {"/a/x.png", "/a/y z.bmp"};
    values.BallsCount = 37;
    values.ShowShadow = false;
    values.SoundOpen = false;
    values.BallSize = 17;
    values.Driver = std::string(kDriverGdiPlus);
    values.DriverChanged = true;
    values.UseMask = 2;
    values.BubbleStyle = 1;
    values.SoundType = 77;
    values.RandomPlay = false;
    values.BackInterval = 23;

    const TStoredSettings stored = StoredFromValues(values);
    EXPECT_EQ(stored.BallsCount, 37);
    EXPECT_EQ(stored.BallSize, 17);
    EXPECT_FALSE(stored.ShowShadow);
    EXPECT_FALSE(stored.SoundOpen);
    EXPECT_EQ(stored.BackPic, "/b/one.jpg\r\n/b/two words.png\r\n");
    EXPECT_EQ(stored.BackType, 3);
    EXPECT_EQ(stored.BallPic, "/a/x.png,\"/a/y z.bmp\"");
    EXPECT_EQ(ReadCommaText(stored.BallPic), values.BallPics);
    EXPECT_EQ(stored.UseMask, 2);
    EXPECT_EQ(stored.BubbleStyle, 1);
    EXPECT_EQ(stored.SoundType, 77);
    EXPECT_FALSE(stored.RandomPlay);
    EXPECT_EQ(stored.BackInterval, 23);
    ASSERT_TRUE(stored.Driver.has_value());
    EXPECT_EQ(*stored.Driver, "GDI+");

    values.DriverChanged = false;
    values.UseMask = kNoSelection;
    const TStoredSettings unchanged = StoredFromValues(values);
    EXPECT_FALSE(unchanged.Driver.has_value());
    EXPECT_EQ(unchanged.UseMask, -1);
}

TEST(BallParaSaving, UserBackgroundNeedsSomethingToShow)
{
    const struct {
        int tag;
        TStringList pics;
        int backType;
    } cases[] = {
        {kTagUserBack, {}, 1},
        {kTagUserBack, {"", ""}, 1},
        {kTagUserBack, {" \t", "  "}, 1},
        {kTagUserBack, {"", "/p/a.png"}, 3},
        {kTagUserBack, {"图片"}, 3},   // bytes above 127 are no control characters
        {kTagDesktopBack, {}, 2},
        {kTagDefaultBack, {"/p/a.png"}, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BackTypeToSave(c.tag, c.pics), c.backType) << c.tag << " " << c.pics.size();
}

TEST(BallParaRules, StepsStayInsideTheRange)
{
    EXPECT_EQ(StepValue(95, 10, 0, 100), 100);
    EXPECT_EQ(StepValue(3, -10, 0, 100), 0);
    EXPECT_EQ(StepValue(7, -10, 5, 30), 5);
    EXPECT_EQ(StepValue(10, 1, 5, 30), 11);
    EXPECT_EQ(StepValue(INT_MAX, 1, 0, 100), 100);
    EXPECT_EQ(StepValue(INT_MIN, -1, 0, 100), 0);
    EXPECT_EQ(ClampToRange(LLONG_MAX, 5, 30), 30);
}

TEST(BallParaRules, OnlyTheUserButtonEnablesTheBackgroundList)
{
    EXPECT_TRUE(BackListEnabled(kTagUserBack));
    EXPECT_FALSE(BackListEnabled(kTagDefaultBack));
    EXPECT_FALSE(BackListEnabled(kTagDesktopBack));
}

TEST(BallParaRules, SelectionAfterDeletingStaysInTheList)
{
    EXPECT_EQ(SelectionAfterDelete(2, 2), 1);   // the last entry went: the new last
    EXPECT_EQ(SelectionAfterDelete(1, 3), 1);   // the next entry moved up
    EXPECT_EQ(SelectionAfterDelete(0, 0), kNoSelection);
}

TEST(BallParaRules, ChosenFilesToAppend)
{
    const TStringList four{"/a", "/b", "/c", "/d"};
    EXPECT_EQ(FilesToAppend(four, true), four);
    EXPECT_EQ(FilesToAppend(four, false), TStringList{"/a"});
    EXPECT_EQ(FilesToAppend({}, false), TStringList{});
}

TEST(BallParaRules, ScrollExtentGrowsOnlyForWideEntries)
{
    EXPECT_EQ(FitScrollExtent({}, 300, 0), 0);
    EXPECT_EQ(FitScrollExtent({120, 300}, 300, 0), 0);
    EXPECT_EQ(FitScrollExtent({120, 301, 80}, 300, 0), 351);
    // Entries shrinking back leave the extent where it was.
    EXPECT_EQ(FitScrollExtent({10}, 300, 351), 351);
    EXPECT_EQ(FitScrollExtent({500}, 300, 351), 550);
}
