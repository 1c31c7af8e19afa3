#include <gtest/gtest.h>

#include <memory>

#include "platform/EventLoop.h"
#include "platform/ManualClock.h"
#include "scene/FakeSceneWindow.h"
#include "scene/FrameCounters.h"
#include "scene/UBallLink.h"
#include "scene/UDxBall.h"
#include "settings/TBallSettings.h"

namespace {

constexpr TWindow HostWindow = 77;

std::optional<TBgrPixels> NoDesktop() { return std::nullopt; }

class UDxBallTest : public testing::Test {
protected:
    void SetUp() override
    {
        BallSettings = TBallSettings{};
        BallSettings.SoundOpen = false;
        BallSettings.BallsCount = 5;
        BallSettings.StyleSize = 100;
        BallSettings.BackPicList = std::make_unique<TStringList>(TStringList{"a.jpg", "b.jpg"});
        ScreenRect = {0, 0, 640, 400};
        BallRadius = 78;
        ViewScale = 1.0f;
        ResetFrameCounters();
    }

    void TearDown() override
    {
        Scene.reset();
        BallSettings = TBallSettings{};
        ResetFrameCounters();
    }

    // A scene made, placed in the host and shown, as start-up does it.
    void MakeScene(bool show = true)
    {
        auto window = std::make_unique<FakeSceneWindow>();
        auto backend = std::make_unique<RecordingBackend>();
        Window = window.get();
        Backend = backend.get();
        Scene = std::make_unique<TFDxBall>(std::move(window), std::move(backend), NoDesktop);
        Scene->SetParentWindow(HostWindow);
        if (show)
            Scene->Show();
    }

    bool Key(uint32_t key, bool alt = false)
    {
        return Window->Deliver(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? KF_ALTDOWN : 0);
    }

    TManualClock Clock{10000};
    std::unique_ptr<TFDxBall> Scene;
    FakeSceneWindow* Window = nullptr;
    RecordingBackend* Backend = nullptr;
};

TEST_F(UDxBallTest, CreationRebuildsTheBubblesStartsTheWindAndTheFrameTimer)
{
    Restitution = 0.5;
    Balls[1].X = -999.0;
    MakeScene(false);
    EXPECT_EQ(Restitution, 0.8);
    EXPECT_EQ(Balls[1].X, 78.0 + 8.0);
    EXPECT_EQ(Balls[1].CanCollide, 0);
    ASSERT_NE(Scene->Wind, nullptr);
    EXPECT_TRUE(Scene->Wind->StartTimer->Enabled());
    EXPECT_TRUE(Scene->Timer1.Enabled());
    EXPECT_EQ(Scene->Timer1.Interval(), 40u);
    EXPECT_FALSE(Scene->Visible());
    EXPECT_FALSE(Scene->DXDraw.Initialized());
    EXPECT_EQ(Scene->DXDraw.Options(), SceneDeviceOptions);

    Scene->Show();
    EXPECT_TRUE(Scene->Visible());
    EXPECT_TRUE(Window->HasFocus);
    EXPECT_TRUE(Scene->DXDraw.Initialized());
    ASSERT_NE(Scene->BackSurface, nullptr);
    EXPECT_EQ(Scene->BackSurface->Width(), 640);
    EXPECT_EQ(Scene->BackSurface->Height(), 400);
}

TEST_F(UDxBallTest, SlideshowTimerRunsOnlyForMoreThanOneUserPicture)
{
    struct Case {
        int32_t BackType;
        size_t Paths;
        int32_t Interval;
        bool Enabled;
        uint32_t Period;
    };
    for (const Case& c : {Case{3, 2, 10, true, 10000}, Case{3, 1, 10, false, 10000}, Case{1, 3, 10, false, 10000},
                          Case{2, 3, 10, false, 10000}, Case{3, 3, 0, true, 0}, Case{3, 3, -5, true, 0}}) {
        BallSettings.BackType = c.BackType;
        BallSettings.BackInterval = c.Interval;
        BallSettings.BackPicList = std::make_unique<TStringList>(c.Paths, "picture.jpg");
        MakeScene(false);
        EXPECT_EQ(Scene->Timer2.Enabled(), c.Enabled) << c.BackType << " with " << c.Paths;
        EXPECT_EQ(Scene->Timer2.Interval(), c.Period) << c.Interval;
        Scene.reset();
    }
}

TEST_F(UDxBallTest, EscapeClosesTheSceneOnlyAndASecondCloseReleasesNothingTwice)
{
    MakeScene();
    EXPECT_FALSE(Key(VK_A));   // any other key is the host's
    EXPECT_TRUE(Scene->Visible());

    EXPECT_TRUE(Key(VK_ESCAPE));
    EXPECT_FALSE(Scene->Visible());
    EXPECT_EQ(Scene->Wind, nullptr);
    EXPECT_FALSE(Scene->Timer1.Enabled());
    EXPECT_FALSE(Scene->Timer2.Enabled());
    EXPECT_EQ(BallSettings.BackPicList, nullptr);
    EXPECT_TRUE(Window->ToParent.empty());

    // The host's destruction closes the scene again.
    Scene->Close();
    EXPECT_FALSE(Scene->Visible());
    EXPECT_EQ(Scene->Wind, nullptr);
    EXPECT_FALSE(Scene->Timer1.Enabled());

    // A closed scene draws nothing more, however long the loop runs.
    Backend->Forget();
    for (int i = 0; i < 10; ++i) {
        Clock.Advance(40);
        while (UiLoop().RunReady()) {
        }
    }
    EXPECT_EQ(Backend->Presents, 0);
}

TEST_F(UDxBallTest, AltEnterTwiceReturnsToTheFirstPlacementWithUsableStyleTextures)
{
    MakeScene();
    const TWindowPlacement first = Window->Placement;

    EXPECT_TRUE(Key(VK_RETURN, true));
    EXPECT_TRUE(Scene->DXDraw.Options() & doFullScreen);
    EXPECT_TRUE(Scene->DXDraw.Options() & doSelectDriver);
    EXPECT_TRUE(Scene->DXDraw.Initialized());
    EXPECT_FALSE(Window->CursorVisible);
    EXPECT_FALSE(Window->SizeableBorder);
    Window->Placement = {0, 0, 640, 480};   // the full-screen mode moved it

    EXPECT_TRUE(Key(VK_RETURN, true));
    EXPECT_FALSE(Scene->DXDraw.Options() & doFullScreen);
    EXPECT_TRUE(Scene->DXDraw.Options() & doSelectDriver);
    EXPECT_TRUE(Scene->DXDraw.Initialized());
    EXPECT_EQ(Window->Placement, first);
    EXPECT_TRUE(Window->CursorVisible);
    EXPECT_TRUE(Window->SizeableBorder);

    // The style textures went with the device's finalisation and came back with it.
    for (auto* texture : {Scene->Pictures.BallTexture.get(), Scene->Pictures.FrontTexture.get(),
                          Scene->Pictures.ShadowTexture.get()}) {
        ASSERT_NE(texture, nullptr);
        EXPECT_NE(texture->Surface(), nullptr);
    }
    Backend->Forget();
    BallSettings.BallsCount = 1;
    Scene->Timer1Timer();
    EXPECT_EQ(Backend->Draws.size(), 3u);
    EXPECT_EQ(Backend->Presents, 1);
}

TEST_F(UDxBallTest, RefusedFullScreenModeLeavesTheSceneBlackUntilTheNextToggle)
{
    MakeScene();
    Backend->ModesSettable = false;
    EXPECT_NO_THROW(Key(VK_RETURN, true));
    EXPECT_FALSE(Scene->DXDraw.Initialized());
    Backend->Forget();
    Scene->Timer1Timer();
    EXPECT_TRUE(Backend->Calls.empty());

    EXPECT_NO_THROW(Key(VK_RETURN, true));
    EXPECT_TRUE(Scene->DXDraw.Initialized());
}

TEST_F(UDxBallTest, FirstMouseIsRecordedAndLaterMovementForwardedToTheHost)
{
    MakeScene();
    EXPECT_TRUE(Window->Deliver(WM_MOUSEMOVE, 0, MakePointParam(100, 120)));
    EXPECT_TRUE(Window->ToParent.empty());
    Window->Deliver(WM_MOUSEMOVE, 0, MakePointParam(100, 120));
    EXPECT_TRUE(Window->ToParent.empty());
    Window->Deliver(WM_MOUSEMOVE, 0, MakePointParam(101, 120));
    Window->Deliver(WM_MOUSEMOVE, 0, MakePointParam(100, 119));
    ASSERT_EQ(Window->ToParent.size(), 2u);
    for (const auto& posted : Window->ToParent) {
        EXPECT_EQ(posted.Message, WM_MOUSEMOVE);
        EXPECT_EQ(posted.WParam, 0u);
        EXPECT_EQ(posted.LParam, 0);
    }
    EXPECT_EQ(Scene->FirstMouse, (TPoint{100, 120}));
}

TEST_F(UDxBallTest, FrameTickCountsAndSwallowsAFailedFrame)
{
    MakeScene();
    Backend->Forget();
    Scene->Timer1Timer();
    EXPECT_EQ(FirstTick, 10000u);
    EXPECT_EQ(ElapsedMs, 0);
    EXPECT_EQ(FrameCount, 1);
    EXPECT_EQ(Backend->Presents, 1);

    Backend->ClearThrows = true;
    Clock.Advance(47);
    EXPECT_NO_THROW(Scene->Timer1Timer());
    EXPECT_EQ(FrameCount, 2);
    EXPECT_EQ(ElapsedMs, 47);
    EXPECT_EQ(Backend->Presents, 1);

    // The timer drives the frames once the loop runs.
    Backend->ClearThrows = false;
    for (int i = 0; i < 5; ++i) {
        Clock.Advance(40);
        while (UiLoop().RunReady()) {
        }
    }
    EXPECT_EQ(FrameCount, 7);
    EXPECT_EQ(Backend->Presents, 6);
}

TEST_F(UDxBallTest, ResizedWindowDrawsAtTheNewSizeAndScaleAndAMoveChangesNothing)
{
    // A preview on a screen twice its size, as start-up leaves it.
    ScreenRect = {0, 0, 1280, 800};
    HostRect = {0, 0, 640, 400};
    ViewScale = 0.5f;
    MakeScene();
    ASSERT_NE(Scene->BackSurface, nullptr);
    EXPECT_EQ(Scene->BackSurface->Width(), 640);

    Window->Control.Width = 320;
    Window->Control.Height = 200;
    EXPECT_TRUE(Window->Deliver(WM_SIZE, 0, MakePointParam(320, 200)));
    EXPECT_EQ(HostRect.Right, 320);
    EXPECT_EQ(HostRect.Bottom, 200);
    EXPECT_EQ(ViewScale, 0.25f);
    ASSERT_TRUE(Scene->DXDraw.Initialized());
    ASSERT_NE(Scene->BackSurface, nullptr);
    EXPECT_EQ(Scene->BackSurface->Width(), 320);
    EXPECT_EQ(Scene->BackSurface->Height(), 200);

    const TDirectDrawSurface* background = Scene->BackSurface.get();
    Window->Deliver(WM_SIZE, 0, MakePointParam(320, 200));
    EXPECT_EQ(Scene->BackSurface.get(), background);
    Backend->Forget();
    BallSettings.BallsCount = 1;
    Scene->Timer1Timer();
    EXPECT_EQ(Backend->Presents, 1);
}

TEST_F(UDxBallTest, WindowDestructionFinalisesTheDevice)
{
    MakeScene();
    Window->Deliver(WM_DESTROY, 0, 0);
    EXPECT_FALSE(Scene->DXDraw.Initialized());
    EXPECT_EQ(Scene->BackSurface, nullptr);
    Scene->Close();
    Scene.reset();
}

}
