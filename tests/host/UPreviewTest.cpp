#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/UPreview.h"
#include "platform/MidiRecorder.h"
#include "settings/TBallSettings.h"
#include "sound/Uwindbell.h"

namespace {

TEST(BallRadiusFor, SeventyEightPixelsPerSizeUnitRoundedHalvesToEven)
{
    EXPECT_EQ(BallRadiusFor(1.0f), 78);
    EXPECT_EQ(BallRadiusFor(1.5f), 117);
    EXPECT_EQ(BallRadiusFor(0.2f), 16);       // 15.6000003
    EXPECT_EQ(BallRadiusFor(2.0f), 156);
    EXPECT_EQ(BallRadiusFor(0.0f), 0);
    EXPECT_EQ(BallRadiusFor(0.25f), 20);      // 19.5 goes to the even 20
    EXPECT_EQ(BallRadiusFor(0.75f), 58);      // 58.5 goes to the even 58
    EXPECT_EQ(BallRadiusFor(-1.0f), -78);
}

TEST(BallRadiusFor, HandEditedSizesStayValidIntegers)
{
    EXPECT_EQ(BallRadiusFor(429496729.5f), INT32_MAX);
    EXPECT_EQ(BallRadiusFor(-429496729.5f), INT32_MIN);
    EXPECT_EQ(BallRadiusFor(std::numeric_limits<float>::infinity()), INT32_MAX);
    EXPECT_EQ(BallRadiusFor(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(ViewScaleFor, HostWidthOverScreenWidth)
{
    EXPECT_EQ(ViewScaleFor({0, 0, 1024, 768}, {0, 0, 1024, 768}), 1.0f);
    EXPECT_EQ(ViewScaleFor({0, 0, 152, 112}, {0, 0, 1024, 768}), 0.1484375f);
    EXPECT_EQ(ViewScaleFor({0, 0, 320, 240}, {0, 0, 1920, 1080}), static_cast<float>(320.0 / 1920.0));
    EXPECT_EQ(ViewScaleFor({0, 0, 320, 240}, {0, 0, 0, 0}), 1.0f);
}

TEST(DestroyScene, ReleasesTheChimeOnlyWhenSoundWasOn)
{
    const TMidiRecorder recorder;
    BallSettings.SoundOpen = true;
    WindBell = new TWindBell();
    DestroyScene(0, smSaver);
    EXPECT_EQ(WindBell, nullptr);
    EXPECT_EQ(recorder.Closes(), 1);
    DestroyScene(0, smSaver);    // torn down twice: nothing left to release
    EXPECT_EQ(WindBell, nullptr);

    BallSettings.SoundOpen = false;
    DestroyScene(0, smSaver);
    EXPECT_EQ(WindBell, nullptr);
    BallSettings.SoundOpen = true;
}

}
