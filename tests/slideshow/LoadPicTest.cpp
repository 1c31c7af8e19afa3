#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "SlideshowSupport.h"
#include "pictures/ULoadPic.h"
#include "render/FakeRenderBackend.h"
#include "render/TDXDraw.h"
#include "render/TDirectDrawSurface.h"

namespace {

constexpr int32_t Width = 40;
constexpr int32_t Height = 30;
constexpr uint32_t Red = 0xFF0000;
constexpr uint32_t Blue = 0x0000FF;
constexpr uint32_t Green = 0x00C000;
constexpr uint32_t KeyColour = 0x650000;

// What the scene saw in one hand-over.
struct TSeen {
    bool Finished = false;
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> Pixels;
    uint32_t At(int32_t x, int32_t y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
};

class LoadPicTest : public testing::Test {
protected:
    LoadPicTest()
    {
        auto backend = std::make_unique<FakeRenderBackend>();
        Device = std::make_unique<TDXDraw>(std::move(backend));
        Device->SetOptions(SceneDeviceOptions);
        Control.Width = Width;
        Control.Height = Height;
        Device->SetControl(&Control);
        Device->InitializeDevice();
    }

    ~LoadPicTest() override { Loader.reset(); }

    // A loader whose hand-over records the step and, like the scene, puts
    // the loader to sleep at the end of a fade.
    void MakeLoader(const std::string& fileName)
    {
        Loader = std::make_unique<TLoadPic>(Device.get());
        Loader->StepInterval = StepInterval;
        Loader->HandOver = [this](TLoadPic& sender) {
            TSeen seen;
            seen.Finished = sender.Finished();
            seen.Width = sender.StepSurface().Width();
            seen.Height = sender.StepSurface().Height();
            for (int32_t y = 0; y < seen.Height; ++y)
                for (int32_t x = 0; x < seen.Width; ++x)
                    seen.Pixels.push_back(sender.StepSurface().Pixel(x, y));
            Seen.push_back(std::move(seen));
            if (sender.Finished())
                sender.Suspend();
            if (AfterHandOver)
                AfterHandOver(sender);
        };
        Loader->SetFileName(fileName);
    }

    bool HandOvers(size_t count)
    {
        return ServeUntil([&] { return Seen.size() >= count; });
    }
    bool Asleep()
    {
        return ServeUntil([&] { return Loader->Suspended(); });
    }

    TSlideshowFolder Folder;
    FakeControl Control;
    std::unique_ptr<TDXDraw> Device;
    std::unique_ptr<TLoadPic> Loader;
    std::vector<TSeen> Seen;
    std::function<void(TLoadPic&)> AfterHandOver;
    // The steps' order and pixels are tested here; their pace by one test.
    std::chrono::milliseconds StepInterval{0};
};

TEST_F(LoadPicTest, FirstPictureIsShownAtOnceFittedOnBlackThenTheLoaderSleeps)
{
    // Portrait against a 40 × 30 surface: full height, bars left and right.
    MakeLoader(WritePicture(Folder, "portrait.bmp", 20, 30, Red));
    EXPECT_TRUE(Loader->Suspended());
    Loader->Resume();
    ASSERT_TRUE(HandOvers(26));
    ASSERT_TRUE(Asleep());
    for (size_t i = 0; i < 25; ++i) {
        const TSeen& step = Seen[i];
        EXPECT_FALSE(step.Finished);
        ASSERT_EQ(step.Width, Width);
        ASSERT_EQ(step.Height, Height);
        // No fade for the first picture: every step is the picture itself.
        for (int32_t y : {0, 15, 29}) {
            EXPECT_EQ(step.At(9, y), 0u);
            EXPECT_EQ(step.At(10, y), Red);
            EXPECT_EQ(step.At(29, y), Red);
            EXPECT_EQ(step.At(30, y), 0u);
        }
    }
    EXPECT_TRUE(Seen[25].Finished);
    EXPECT_EQ(Seen[25].Pixels, Seen[24].Pixels);   // the last step is handed over twice
    EXPECT_EQ(Seen.size(), 26u);
}

TEST_F(LoadPicTest, NextPictureFadesInStepByStepAndKeyPixelsKeepTheOldOne)
{
    MakeLoader(WritePicture(Folder, "blue.bmp", Width, Height, Blue));
    Loader->Resume();
    ASSERT_TRUE(HandOvers(26));
    ASSERT_TRUE(Asleep());

    // A panorama with a key-coloured patch: bars above and below.
    Loader->SetFileName(WritePicture(Folder, "panorama.bmp", 40, 10, [](int32_t x, int32_t y) {
        return x < 4 && y < 2 ? KeyColour : Green;
    }));
    Loader->Resume();
    ASSERT_TRUE(HandOvers(52));
    ASSERT_TRUE(Asleep());
    for (int step = 1; step <= 25; ++step) {
        const TSeen& seen = Seen[size_t(25 + step)];
        EXPECT_FALSE(seen.Finished);
        EXPECT_EQ(seen.At(20, 15), FadedColour(Blue, Green, step)) << "step " << step;
        EXPECT_EQ(seen.At(20, 9), FadedColour(Blue, 0, step)) << "bar, step " << step;
    }
    const TSeen& last = Seen[51];
    EXPECT_TRUE(last.Finished);
    EXPECT_EQ(last.At(20, 10), FadedColour(Blue, Green, 25));
    EXPECT_EQ(last.At(0, 10), Blue);   // the patch's pixels keep the old picture
    EXPECT_EQ(last.At(3, 11), Blue);
    EXPECT_EQ(last.At(4, 11), FadedColour(Blue, Green, 25));
    EXPECT_EQ(last.At(20, 20), FadedColour(Blue, 0, 25));
}

TEST_F(LoadPicTest, AHandOverThatSwapsStepsAwayGetsEveryStepWhole)
{
    // As the scene takes steps: by swapping in a surface of stale pixels,
    // which the loader must draw over completely before the next hand-over.
    TDirectDrawSurface taken;
    taken.SetSurfaceSize(Width, Height);
    taken.FillColor(0xDEAD00);
    std::vector<TSeen> swapped;
    MakeLoader(WritePicture(Folder, "blue.bmp", Width, Height, Blue));
    Loader->Resume();
    ASSERT_TRUE(HandOvers(26));
    ASSERT_TRUE(Asleep());
    AfterHandOver = [&](TLoadPic& sender) {
        if (sender.Finished() || !taken.SwapPixels(sender.StepSurface()))
            return;
        TSeen seen;
        for (int32_t y = 0; y < Height; ++y)
            for (int32_t x = 0; x < Width; ++x)
                seen.Pixels.push_back(taken.Pixel(x, y));
        seen.Width = Width;
        swapped.push_back(std::move(seen));
    };
    Loader->SetFileName(WritePicture(Folder, "green.bmp", 20, Height, Green));
    Loader->Resume();
    ASSERT_TRUE(HandOvers(52));
    ASSERT_TRUE(Asleep());
    ASSERT_EQ(swapped.size(), 25u);
    for (int step = 1; step <= 25; ++step) {
        const TSeen& seen = swapped[size_t(step - 1)];
        EXPECT_EQ(seen.At(20, 15), FadedColour(Blue, Green, step)) << "step " << step;
        EXPECT_EQ(seen.At(0, 0), FadedColour(Blue, 0, step)) << "bar, step " << step;
        EXPECT_EQ(seen.At(39, 29), FadedColour(Blue, 0, step)) << "bar, step " << step;
    }
}

TEST_F(LoadPicTest, UnreadablePictureIsLoggedOnceAndTheLoaderWaitsForTheNextName)
{
    const std::string missing = Folder / "gone.jpg";
    MakeLoader(missing);
    Loader->Resume();
    ASSERT_TRUE(Asleep());
    EXPECT_TRUE(Seen.empty());
    const auto text = Folder.ErrorLogText();
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "Cannot open file \"" + missing + "\". No such file or directory\r\n");

    // It waits rather than trying the same file again and again.
    std::filesystem::remove(Folder.ErrorLog());
    EXPECT_TRUE(Loader->Suspended());
    EXPECT_FALSE(Folder.ErrorLogText());

    Loader->SetFileName(WritePicture(Folder, "red.bmp", Width, Height, Red));
    Loader->Resume();
    ASSERT_TRUE(HandOvers(26));
    EXPECT_EQ(Seen[0].At(0, 0), Red);
    EXPECT_FALSE(Folder.ErrorLogText());
}

TEST_F(LoadPicTest, NameGivenWhileAPictureFailsIsTriedWithoutWaitingForAnother)
{
    const std::string good = WritePicture(Folder, "red.bmp", Width, Height, Red);
    // The scene names the next picture while the loader is still busy with
    // one that fails: that wake must not be lost.
    MakeLoader("picture.tiff");
    Loader->Resume();
    Loader->SetFileName(good);
    Loader->Resume();
    ASSERT_TRUE(HandOvers(26));
    EXPECT_EQ(Seen[0].At(0, 0), Red);
}

TEST_F(LoadPicTest, LogThatCannotBeWrittenIsReportedAndTheSlideshowGoesOn)
{
    Folder.BlockStateFolder();
    testing::internal::CaptureStderr();
    MakeLoader(Folder / "gone.png");
    Loader->Resume();
    const bool asleep = Asleep();
    const std::string reported = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(asleep);
    EXPECT_NE(reported.find("error.txt"), std::string::npos) << reported;
    EXPECT_NE(reported.find("gone.png"), std::string::npos) << reported;

    Loader->SetFileName(WritePicture(Folder, "red.bmp", Width, Height, Red));
    Loader->Resume();
    ASSERT_TRUE(HandOvers(26));
}

TEST_F(LoadPicTest, WakeThatComesBeforeTheLoaderSleepsIsKept)
{
    MakeLoader(WritePicture(Folder, "red.bmp", Width, Height, Red));
    const std::string blue = WritePicture(Folder, "blue.bmp", Width, Height, Blue);
    AfterHandOver = [&](TLoadPic& sender) {
        if (sender.Finished() && Seen.size() == 26) {
            sender.SetFileName(blue);
            sender.Resume();   // still inside the hand-over: not asleep yet
        }
    };
    Loader->Resume();
    ASSERT_TRUE(HandOvers(52));
    EXPECT_EQ(Seen[51].At(0, 0), FadedColour(Red, Blue, 25));
}

TEST_F(LoadPicTest, TerminationEndsTheFadeAfterTheStepInProgressWithAFinalHandOver)
{
    MakeLoader(WritePicture(Folder, "red.bmp", Width, Height, Red));
    AfterHandOver = [&](TLoadPic& sender) {
        if (Seen.size() == 3)
            sender.Terminate();
    };
    Loader->Resume();
    ASSERT_TRUE(HandOvers(4));
    ASSERT_TRUE(ServeUntil([&] { return Loader->Terminated(); }));
    Loader.reset();   // returns: the thread has ended
    ASSERT_EQ(Seen.size(), 4u);
    EXPECT_FALSE(Seen[2].Finished);
    EXPECT_TRUE(Seen[3].Finished);
}

TEST_F(LoadPicTest, TerminationWhileWaitingForTheNextStepsTurnEndsTheFadeAtOnce)
{
    // A pace no test would outlive: only the termination can end the wait.
    StepInterval = std::chrono::hours(1);
    MakeLoader(WritePicture(Folder, "red.bmp", Width, Height, Red));
    Loader->Resume();
    ASSERT_TRUE(HandOvers(1));
    EXPECT_FALSE(Seen[0].Finished);
    Loader->Terminate();
    // The step blended meanwhile may still be shown, as any step in progress
    // is; then the closing hand-over comes without waiting for its turn.
    ASSERT_TRUE(ServeUntil([&] { return Seen.back().Finished; }));
    Loader.reset();
    EXPECT_LE(Seen.size(), 3u);
}

TEST_F(LoadPicTest, DeviceThatIsNotReadyEndsTheLoaderForGood)
{
    MakeLoader(WritePicture(Folder, "red.bmp", Width, Height, Red));
    Device->FinalizeDevice();
    Loader->Resume();
    ASSERT_TRUE(HandOvers(1));
    EXPECT_TRUE(Seen[0].Finished);   // only the closing hand-over, nothing to show
    EXPECT_EQ(Seen[0].Width, 0);
    EXPECT_TRUE(Loader->Terminated());
    Device->InitializeDevice();
    Loader->Resume();
    Loader.reset();
    EXPECT_EQ(Seen.size(), 1u);
}

TEST_F(LoadPicTest, ReleaseWaitsForTheThreadWhileServingItsHandOvers)
{
    // Released in the middle of a fade with nothing served meanwhile: the
    // release itself has to serve the hand-overs the thread makes, or
    // neither would go on.
    const int before = ThreadCount();
    MakeLoader(WritePicture(Folder, "red.bmp", Width, Height, Red));
    Loader->Resume();
    ASSERT_TRUE(HandOvers(1));
    Loader.reset();
    EXPECT_EQ(SettledThreadCount(before), before);
    EXPECT_LT(Seen.size(), 26u + 1u);
    EXPECT_TRUE(Seen.back().Finished);

    // Never resumed: nothing to wait for.
    MakeLoader("never.bmp");
    Loader.reset();
    EXPECT_EQ(SettledThreadCount(before), before);
}

}
