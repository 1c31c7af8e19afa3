#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "SlideshowSupport.h"
#include "platform/EventLoop.h"
#include "platform/Random.h"
#include "scene/FakeSceneWindow.h"
#include "scene/FrameCounters.h"
#include "scene/UBallLink.h"
#include "scene/UDxBall.h"
#include "settings/TBallSettings.h"

namespace {

constexpr TWindow HostWindow = 77;
constexpr int32_t Width = 64;
constexpr int32_t Height = 40;
constexpr uint32_t Colours[] = {0xC00000, 0x00C000, 0x0000C0};
constexpr auto CloseLimit = std::chrono::seconds(5);

std::optional<TBgrPixels> NoDesktop() { return std::nullopt; }

class SlideshowSceneTest : public testing::Test {
protected:
    void SetUp() override
    {
        BallSettings = TBallSettings{};
        BallSettings.SoundOpen = false;
        BallSettings.BallsCount = 3;
        BallSettings.BackType = 3;
        BallSettings.BackInterval = 10;
        BallSettings.RandomPlay = false;
        ScreenRect = {0, 0, Width, Height};
        BallRadius = 10;
        ViewScale = 1.0f;
        ResetFrameCounters();
    }

    void TearDown() override
    {
        Scene.reset();
        BallSettings = TBallSettings{};
        ResetFrameCounters();
    }

    // The slideshow's pictures, one flat colour each, the first on show.
    void Pictures(const std::vector<std::string>& names)
    {
        auto list = std::make_unique<TStringList>();
        for (size_t i = 0; i < names.size(); ++i)
            list->push_back(names[i].find('/') == std::string::npos
                                ? WritePicture(Folder, names[i], Width, Height, Colours[i % 3])
                                : names[i]);
        BallSettings.BackPicture = list->front();
        BallSettings.BackPicList = std::move(list);
    }

    void MakeScene()
    {
        auto window = std::make_unique<FakeSceneWindow>();
        window->Control.Width = Width;
        window->Control.Height = Height;
        Scene = std::make_unique<TFDxBall>(std::move(window), std::make_unique<RecordingBackend>(), NoDesktop);
        // The order and arithmetic of the steps are tested here, not their pace.
        Scene->FadeStepInterval = FadeStepInterval;
        Scene->SetParentWindow(HostWindow);
        Scene->Show();
    }

    uint32_t Background(int32_t x = Width / 2, int32_t y = Height / 2) const
    {
        return Scene->BackSurface->Pixel(x, y) & 0xFFFFFF;
    }

    // One slideshow tick, served until the loader sleeps again.
    bool TickAndFade()
    {
        Scene->Timer2Timer();
        return ServeUntil([&] { return Scene->Loader->Suspended(); });
    }

    // Serves the one hand-over the loader waits in, if it waits in one yet.
    bool ServeOne() { return ServeUntil([] { return UiLoop().SyncCalls().RunPending(); }); }

    TSlideshowFolder Folder;
    std::unique_ptr<TFDxBall> Scene;
    std::chrono::milliseconds FadeStepInterval{0};
};

TEST_F(SlideshowSceneTest, ThreePicturesInListOrderShowTheSecondThirdFirstAndSecondAgain)
{
    Pictures({"one.bmp", "two.bmp", "three.bmp"});
    MakeScene();
    EXPECT_TRUE(Scene->Timer2.Enabled());
    EXPECT_EQ(Scene->Timer2.Interval(), 10000u);
    EXPECT_EQ(Background(), Colours[0]);
    EXPECT_EQ(Scene->Loader, nullptr);

    const int expectedIndex[] = {1, 2, 0, 1};
    uint32_t shown = Colours[0];
    for (int tick = 0; tick < 4; ++tick) {
        ASSERT_TRUE(TickAndFade()) << "tick " << tick;
        const uint32_t wanted = Colours[expectedIndex[tick]];
        EXPECT_EQ(Scene->PictureIndex, expectedIndex[tick]);
        EXPECT_EQ(Scene->Loader->FileName(), (*BallSettings.BackPicList)[size_t(expectedIndex[tick])]);
        // The first picture the loader shows comes without a fade.
        const uint32_t faded = tick == 0 ? wanted : FadedColour(shown, wanted, 25);
        EXPECT_EQ(Background(), faded) << "tick " << tick;
        shown = faded;
    }
}

TEST_F(SlideshowSceneTest, FirstTickShowsTheNewPictureAtOnceAndLaterTicksFade)
{
    Pictures({"one.bmp", "two.bmp", "three.bmp"});
    MakeScene();
    Scene->Timer2Timer();
    ASSERT_TRUE(ServeOne());
    EXPECT_EQ(Background(), Colours[1]);
    ASSERT_TRUE(ServeUntil([&] { return Scene->Loader->Suspended(); }));

    Scene->Timer2Timer();
    ASSERT_TRUE(ServeOne());
    EXPECT_EQ(Background(), FadedColour(Colours[1], Colours[2], 1));
    ASSERT_TRUE(ServeOne());
    EXPECT_EQ(Background(), FadedColour(Colours[1], Colours[2], 2));
}

TEST_F(SlideshowSceneTest, FadeStepsArePacedWithinHalfTheSlideshowPeriod)
{
    Pictures({"one.bmp", "two.bmp"});
    FadeStepInterval = TLoadPic::DefaultStepInterval;
    MakeScene();
    Scene->Timer2Timer();
    EXPECT_EQ(Scene->Loader->StepInterval, TLoadPic::DefaultStepInterval);
    Scene->Close();

    // A period of one second, set by hand: 25 steps in half a second.
    BallSettings.BackInterval = 1;
    Pictures({"one.bmp", "two.bmp"});
    MakeScene();
    Scene->Timer2Timer();
    EXPECT_EQ(Scene->Loader->StepInterval, std::chrono::milliseconds(20));
}

TEST_F(SlideshowSceneTest, OnePictureOrAnotherBackgroundStartsNoSlideshow)
{
    Pictures({"one.bmp"});
    MakeScene();
    EXPECT_FALSE(Scene->Timer2.Enabled());
    EXPECT_EQ(Background(), Colours[0]);
    Scene.reset();

    Pictures({"one.bmp", "two.bmp"});
    BallSettings.BackType = 1;
    MakeScene();
    EXPECT_FALSE(Scene->Timer2.Enabled());
}

TEST_F(SlideshowSceneTest, RandomOrderNamesEveryPictureOfTheListAndNoOther)
{
    Pictures({"one.bmp", "two.bmp", "three.bmp"});
    BallSettings.RandomPlay = true;
    MakeScene();
    RandSeed(12345);
    std::set<int32_t> named;
    for (int tick = 0; tick < 60; ++tick) {
        Scene->Timer2Timer();
        named.insert(Scene->PictureIndex);
        EXPECT_EQ(Scene->Loader->FileName(), (*BallSettings.BackPicList)[size_t(Scene->PictureIndex)]);
    }
    EXPECT_EQ(named, (std::set<int32_t>{0, 1, 2}));
}

TEST_F(SlideshowSceneTest, MissingPictureLeavesTheBackgroundAndLogsItsMessage)
{
    const std::string missing = Folder / "gone.jpg";
    Pictures({"one.bmp", missing, "three.bmp"});
    MakeScene();
    Scene->Timer2Timer();
    ASSERT_TRUE(ServeUntil([&] { return Scene->Loader->Suspended(); }));
    EXPECT_EQ(Background(), Colours[0]);
    EXPECT_EQ(Folder.ErrorLogText(), "Cannot open file \"" + missing + "\". No such file or directory\r\n");

    // The next tick goes on with the next path.
    ASSERT_TRUE(TickAndFade());
    EXPECT_EQ(Scene->PictureIndex, 2);
    EXPECT_EQ(Background(), Colours[2]);
}

TEST_F(SlideshowSceneTest, TicksWhileTheDeviceIsNotReadyDoNothing)
{
    Pictures({"one.bmp", "two.bmp"});
    MakeScene();
    ASSERT_TRUE(TickAndFade());
    // Ticks do nothing while the device cannot draw.
    Scene->DXDraw.FinalizeDevice();
    const int32_t index = Scene->PictureIndex;
    Scene->Timer2Timer();
    EXPECT_EQ(Scene->PictureIndex, index);
    EXPECT_TRUE(Scene->Loader->Suspended());
}

TEST_F(SlideshowSceneTest, CloseDuringAFadeEndsTheLoaderAndASecondCloseReleasesNothing)
{
    Pictures({"one.bmp", "two.bmp", "three.bmp"});
    MakeScene();
    ASSERT_TRUE(TickAndFade());
    Scene->Timer2Timer();
    ASSERT_TRUE(ServeOne());
    const uint32_t midFade = Background();
    Scene->Close();
    EXPECT_EQ(Scene->Loader, nullptr);
    EXPECT_FALSE(Scene->Timer2.Enabled());
    EXPECT_EQ(BallSettings.BackPicList, nullptr);
    // The loader ended after the step in progress, whose hand-over found no
    // loader in the scene any more: the background stayed as it was.
    EXPECT_EQ(midFade, FadedColour(Colours[1], Colours[2], 1));
    EXPECT_EQ(Background(), midFade);
    Scene->Close();
    EXPECT_EQ(Scene->Loader, nullptr);
}

// Closing at random moments of a fade: every close ends in bounded time,
// every loader thread is gone afterwards, and (under the sanitizers) nothing
// released is touched.
TEST_F(SlideshowSceneTest, ClosingAtRandomMomentsOfAFadeNeverHangsNorLeavesAThread)
{
    const int threadsBefore = ThreadCount();
    // Paced as on screen: most closes then find the loader waiting between steps.
    FadeStepInterval = TLoadPic::DefaultStepInterval;
    std::mt19937 random(2026);
    std::vector<std::string> names;
    for (const char* name : {"one.bmp", "two.bmp", "three.bmp"})
        names.push_back(WritePicture(Folder, name, Width, Height, Colours[names.size()]));
    for (int round = 0; round < 200; ++round) {
        BallSettings.BackPicList = std::make_unique<TStringList>(names);
        BallSettings.BackPicture = names.front();
        MakeScene();
        // One to three ticks, each served for a random number of hand-overs
        // (0 to a little more than a whole fade), sometimes with the loader
        // left to run a moment on its own.
        const int ticks = 1 + int(random() % 3);
        for (int tick = 0; tick < ticks; ++tick) {
            Scene->Timer2Timer();
            const int served = int(random() % 30);
            for (int i = 0; i < served; ++i)
                UiLoop().SyncCalls().RunPending();
            if (random() % 4 == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 500));
        }
        const auto started = std::chrono::steady_clock::now();
        if (random() % 2)
            Scene->Close();
        else
            Scene->FormClose();
        const auto took = std::chrono::steady_clock::now() - started;
        ASSERT_LT(took, CloseLimit) << "round " << round;
        ASSERT_EQ(Scene->Loader, nullptr);
        Scene.reset();
        ASSERT_EQ(SettledThreadCount(threadsBefore), threadsBefore) << "round " << round;
    }
}

}
