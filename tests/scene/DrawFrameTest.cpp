#include <gtest/gtest.h>

#include <memory>

#include "render/TDIB.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DTexture2.h"
#include "render/TDirectDrawSurface.h"
#include "scene/DrawFrame.h"
#include "scene/FrameCounters.h"
#include "scene/FrameGeometry.h"
#include "scene/RecordingBackend.h"
#include "scene/UBallLink.h"
#include "settings/TBallSettings.h"

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
constexpr uint32_t OpaqueWhite = 0xFFFFFFFF;

using TCorners = std::array<TCornerPoint, 4>;

class DrawFrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        BallSettings.BubbleStyle = 0;
        BallSettings.StyleSize = 100;
        BallSettings.ShowShadow = true;
        BallSettings.SizeFactor = 1.0f;
        BallSettings.SoundOpen = false;
        BallSettings.BallsCount = 0;
        ScreenRect = {0, 0, ScreenWidth, ScreenHeight};
        BallRadius = 78;
        ViewScale = 1.0f;
        ResetFrameCounters();

        auto backend = std::make_unique<RecordingBackend>();
        Backend = backend.get();
        Device = std::make_unique<TDXDraw>(std::move(backend));
        Device->SetControl(&Control);
        Device->SetOptions(SceneDeviceOptions);
        Ball = MakeTexture();
        Front = MakeTexture();
        Shadow = MakeTexture();
        for (auto& picture : Pictures)
            picture = MakeTexture();
        Device->InitializeDevice();
        Background.SetSurfaceSize(ScreenWidth, ScreenHeight);
        Backend->Forget();
    }

    void TearDown() override
    {
        Ball.reset();
        Front.reset();
        Shadow.reset();
        for (auto& picture : Pictures)
            picture.reset();
        Device.reset();
        BallSettings = TBallSettings{};
        ViewScale = 1.0f;
        ResetFrameCounters();
    }

    std::unique_ptr<TDirect3DTexture2> MakeTexture()
    {
        auto& dib = Dibs.emplace_back(std::make_unique<TDIB>());
        dib->SetSize(256, 256, 32);
        return std::make_unique<TDirect3DTexture2>(*Device, dib.get(), false);
    }

    // A resting bubble that will stand at (x, y) with spin `angle` when the frame
    // draws it; its tint steps are 0, so the step turns it back by 0.005.
    static TBallRec& Place(int32_t place, double x, double y, double angle = 0.0)
    {
        TBallRec& ball = Balls[place];
        ball = TBallRec{};
        ball.X = x;
        ball.Y = y;
        ball.Red = 10;
        ball.Green = 20;
        ball.Blue = 30;
        ball.CanCollide = 1;
        ball.Number = place;
        ball.Angle = angle + 0.005;
        BallSettings.BallsCount = std::max(BallSettings.BallsCount, place);
        return ball;
    }

    TFrameSources Sources() const
    {
        TFrameSources sources;
        sources.BackSurface = const_cast<TDirectDrawSurface*>(&Background);
        sources.BallTexture = Ball.get();
        sources.FrontTexture = Front.get();
        sources.ShadowTexture = Shadow.get();
        for (size_t i = 0; i < Pictures.size(); ++i)
            sources.PictureTextures[i] = Pictures[i].get();
        return sources;
    }

    void Frame() { DrawFrame(*Device, Sources()); }

    static TCorners Corners(const RecordingBackend::Draw& draw)
    {
        TCorners corners;
        for (size_t k = 0; k < 4; ++k)
            corners[k] = {static_cast<int32_t>(draw.Vertices[k].sx), static_cast<int32_t>(draw.Vertices[k].sy)};
        return corners;
    }

    // The square with corners at left..right, top..bottom, in strip order.
    static TCorners Square(int32_t left, int32_t top, int32_t right, int32_t bottom)
    {
        return {{{left, top}, {right, top}, {left, bottom}, {right, bottom}}};
    }

    const IBackendTexture* SurfaceOf(const std::unique_ptr<TDirect3DTexture2>& texture) { return texture->Surface(); }

    FixedControl Control{ScreenWidth, ScreenHeight};
    RecordingBackend* Backend = nullptr;
    std::unique_ptr<TDXDraw> Device;
    std::vector<std::unique_ptr<TDIB>> Dibs;
    std::unique_ptr<TDirect3DTexture2> Ball;
    std::unique_ptr<TDirect3DTexture2> Front;
    std::unique_ptr<TDirect3DTexture2> Shadow;
    std::array<std::unique_ptr<TDirect3DTexture2>, PictureSlotCount> Pictures;
    TDirectDrawSurface Background;
};

TEST_F(DrawFrameTest, SphereFrameClearsCopiesDrawsFourSquaresPerBubbleAndPresents)
{
    Place(1, 500.4, 300.4);
    Place(2, 900.4, 700.4);
    Frame();

    const std::vector<std::string> expected{"Clear", "Copy", "Draw", "Draw", "Draw", "Draw",
                                            "Draw",  "Draw", "Draw", "Draw", "Present"};
    EXPECT_EQ(Backend->Calls, expected);
    EXPECT_EQ(Backend->Clears.at(0), (TRect{0, 0, ScreenWidth, ScreenHeight}));
    EXPECT_EQ(Backend->Copies.at(0), (TRect{0, 0, ScreenWidth, ScreenHeight}));

    const auto& draws = Backend->Draws;
    ASSERT_EQ(draws.size(), 8u);
    // Shadow, body, picture, front: each bubble complete before the next.
    const std::array<const IBackendTexture*, 8> textures{SurfaceOf(Shadow), SurfaceOf(Ball), SurfaceOf(Pictures[0]),
                                                         SurfaceOf(Front),  SurfaceOf(Shadow), SurfaceOf(Ball),
                                                         SurfaceOf(Pictures[1]), SurfaceOf(Front)};
    for (size_t i = 0; i < draws.size(); ++i) {
        EXPECT_EQ(draws[i].Texture, textures[i]) << i;
        EXPECT_TRUE(draws[i].States.AlphaBlendEnable) << i;
        EXPECT_EQ(draws[i].States.SrcBlend, D3DBLEND_SRCALPHA) << i;
        EXPECT_EQ(draws[i].States.DestBlend, D3DBLEND_INVSRCALPHA) << i;
        EXPECT_FALSE(draws[i].States.ColorKeyEnable) << i;
        ASSERT_EQ(draws[i].Vertices.size(), 4u);
        for (size_t k = 0; k < 4; ++k) {
            const TD3DTLVertex& v = draws[i].Vertices[k];
            EXPECT_EQ(v.sz, 0.0f);
            EXPECT_EQ(v.rhw, 1.0f);
            EXPECT_EQ(v.specular, 0u);
            EXPECT_EQ(v.tu, (k == 1 || k == 3) ? 1.0f : 0.0f);
            EXPECT_EQ(v.tv, (k == 2 || k == 3) ? 1.0f : 0.0f);
        }
    }

    // Body 182 wide (corners at +-91, truncated), shadow 20 right and 30 down,
    // picture 100 wide (corners at +-50, rounded).
    EXPECT_EQ(Corners(draws[0]), Square(429, 239, 611, 421));
    EXPECT_EQ(Corners(draws[1]), Square(409, 209, 591, 391));
    EXPECT_EQ(Corners(draws[2]), Square(450, 250, 550, 350));
    EXPECT_EQ(Corners(draws[3]), Square(409, 209, 591, 391));
    EXPECT_EQ(draws[0].Vertices[0].color, 0x00000000u);
    EXPECT_EQ(draws[1].Vertices[3].color, 0xFF0A141Eu);
    EXPECT_EQ(draws[2].Vertices[1].color, OpaqueWhite);
    EXPECT_EQ(draws[3].Vertices[2].color, OpaqueWhite);
    EXPECT_EQ(Corners(draws[5]), Square(809, 609, 991, 791));
}

TEST_F(DrawFrameTest, DrawsNoMoreBubblesThanTheTableHolds)
{
    Place(MaxBalls, 500.4, 300.4);
    BallSettings.BallsCount = MaxBalls + 500;
    Frame();
    // At most four squares for each place of the table, then the present.
    EXPECT_LE(Backend->Draws.size(), size_t(4 * MaxBalls));
    EXPECT_EQ(Backend->Calls.back(), "Present");
}

TEST_F(DrawFrameTest, BodyCornersTruncateTowardsZeroAndPictureCornersRoundByStyle)
{
    // Near the left edge of a quarter-scale preview the body reaches past x = 0:
    // 78.4 * 0.25 - 23 = -3.4 truncates to -3, not -4.
    ViewScale = 0.25f;
    Place(1, 78.4, 400.0);
    Frame();
    const TCorners body = Corners(Backend->Draws.at(1));
    EXPECT_EQ(body[0].X, -3);
    EXPECT_EQ(body[1].X, 42);

    struct Case {
        int32_t Style;
        int32_t StyleSize;
        double X;
        int32_t Left;
        int32_t Right;
    };
    // Picture corners at x +- p: glass truncates, sphere and heart round halves to even.
    for (const Case& c : {Case{2, 140, 100.5, 30, 170}, Case{0, 100, 100.5, 50, 150}, Case{0, 100, 101.5, 52, 152},
                          Case{1, 80, 100.5, 60, 140}, Case{2, 140, 101.7, 31, 171}, Case{0, 100, 101.7, 52, 152}}) {
        ViewScale = 1.0f;
        BallSettings.BubbleStyle = c.Style;
        BallSettings.StyleSize = c.StyleSize;
        Place(1, c.X, 400.0);
        Backend->Forget();
        Frame();
        const TCorners picture = Corners(Backend->Draws.at(2));
        EXPECT_EQ(picture[0].X, c.Left) << c.Style << " at " << c.X;
        EXPECT_EQ(picture[1].X, c.Right) << c.Style << " at " << c.X;
    }
}

TEST_F(DrawFrameTest, HeartTurnsEverySquareClockwiseAboutTheCentreButNotTheShadowOffset)
{
    BallSettings.BubbleStyle = 1;
    BallSettings.StyleSize = 80;
    Place(1, 500.4, 300.4, 0.25);
    Frame();
    const auto& draws = Backend->Draws;
    ASSERT_EQ(draws.size(), 4u);
    // A quarter turn clockwise: the top-left corner goes to the top right, the top
    // right to the bottom right, and so on.
    const TCorners body{{{591, 209}, {591, 391}, {409, 209}, {409, 391}}};
    EXPECT_EQ(Corners(draws[1]), body);
    EXPECT_EQ(Corners(draws[3]), body);
    EXPECT_EQ(Corners(draws[0]), OffsetCorners(body, 20, 30));
    const TCorners picture{{{540, 260}, {540, 340}, {460, 260}, {460, 340}}};
    EXPECT_EQ(Corners(draws[2]), picture);

    // The same spin in the sphere style draws upright squares.
    BallSettings.BubbleStyle = 0;
    BallSettings.StyleSize = 100;
    Place(1, 500.4, 300.4, 0.25);
    Backend->Forget();
    Frame();
    EXPECT_EQ(Corners(Backend->Draws.at(1)), Square(409, 209, 591, 391));
}

TEST_F(DrawFrameTest, PreviewShrinksSquaresAndPositionsButNotTheShadowOffset)
{
    // A 480-pixel-wide preview of a 1920-pixel screen.
    ViewScale = 0.25f;
    Place(1, 1000.0, 600.0);
    Frame();
    const auto& draws = Backend->Draws;
    // S = round(45.5) = 46 (halves to even), h = 23; centre (250, 150).
    const TCorners body = Square(227, 127, 273, 173);
    EXPECT_EQ(Corners(draws.at(1)), body);
    EXPECT_EQ(Corners(draws.at(0)), OffsetCorners(body, 20, 30));
    // P = 25, p = 12.
    EXPECT_EQ(Corners(draws.at(2)), Square(238, 138, 262, 162));
}

TEST_F(DrawFrameTest, OddBodySizeDrawsOnePixelLess)
{
    struct Case {
        float SizeFactor;
        float Scale;
        int32_t Half;
    };
    // 182 * 1.5 = 273 and 182 * 0.75 = 136.5, which rounds to the even 136.
    for (const Case& c : {Case{1.5f, 1.0f, 136}, Case{1.0f, 0.75f, 68}}) {
        BallSettings.SizeFactor = c.SizeFactor;
        ViewScale = c.Scale;
        Place(1, 800.0, 500.0);
        Backend->Forget();
        Frame();
        const int32_t x = static_cast<int32_t>(800.0 * c.Scale);
        const int32_t y = static_cast<int32_t>(500.0 * c.Scale);
        EXPECT_EQ(Corners(Backend->Draws.at(1)), Square(x - c.Half, y - c.Half, x + c.Half, y + c.Half))
            << c.SizeFactor << " x " << c.Scale;
    }
}

TEST_F(DrawFrameTest, MissingShadowsAndPicturesSkipOnlyTheirOwnSquares)
{
    BallSettings.ShowShadow = false;
    for (int32_t place = 1; place <= 12; ++place)
        Place(place, 100.4 + (place - 1) % 6 * 300.0, place <= 6 ? 200.4 : 700.4);
    Pictures[1].reset();   // slot 2 empty
    Frame();
    const auto& draws = Backend->Draws;
    // Bubble 2 lacks its picture; bubbles 11 and 12 never show one.
    ASSERT_EQ(draws.size(), 12u * 2 + 10 - 1);
    std::vector<const IBackendTexture*> expected;
    for (int32_t place = 1; place <= 12; ++place) {
        expected.push_back(SurfaceOf(Ball));
        if (place <= 10 && place != 2)
            expected.push_back(SurfaceOf(Pictures[static_cast<size_t>(place - 1)]));
        expected.push_back(SurfaceOf(Front));
    }
    for (size_t i = 0; i < draws.size(); ++i)
        EXPECT_EQ(draws[i].Texture, expected[i]) << i;
}

TEST_F(DrawFrameTest, NoFrameWhileTheDeviceIsNotReady)
{
    TBallRec& ball = Place(1, 500.0, 500.0);
    ball.SpeedX = 10.0;
    FrameCount = 2;
    ElapsedMs = 47;
    Backend->Lost = true;
    Backend->RestoreWorks = false;
    Frame();
    EXPECT_TRUE(Backend->Calls.empty());
    EXPECT_EQ(ball.X, 500.0);
    EXPECT_EQ(FrameRate, 25);
}

TEST_F(DrawFrameTest, StepUsesTheRateMeasuredBeforeThisFrame)
{
    TBallRec& ball = Place(1, 500.0, 500.0);
    ball.SpeedX = 10.0;
    CountFrameTick(1000);
    Frame();
    EXPECT_DOUBLE_EQ(ball.X, 510.0);
    EXPECT_EQ(FrameRate, 25);

    CountFrameTick(1047);
    Frame();
    EXPECT_DOUBLE_EQ(ball.X, 520.0);
    EXPECT_EQ(FrameRate, 43);

    CountFrameTick(1087);
    Frame();
    EXPECT_DOUBLE_EQ(ball.X, 520.0 + 10.0 * 25.0 / 43.0);
}

}
