// The GDI presenter: a first present and an exposed window get the whole
// frame; after that only what the compositor reports changed goes out.
#include <gtest/gtest.h>

#include "platform/win32/Windows.h"
#include "render/backends/gdi/GdiWindow.h"
#include "render/backends/gdi/TGdiRenderBackend.h"

namespace {

class TGdiPresent : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window = CreateWindowExW(0, L"STATIC", L"gdi test", WS_POPUP | WS_VISIBLE, 0, 0, Width, Height, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(Window, nullptr);
        Target.Window = Window;
        TTargetRequest request;
        request.NativeWindow = &Target;
        request.Width = Width;
        request.Height = Height;
        ASSERT_EQ(Backend.CreateTarget(request).Failure, TTargetFailure::None);
    }
    void TearDown() override
    {
        Backend.ReleaseTarget();
        DestroyWindow(Window);
    }

    // The colour the window shows at a point, as 0xRRGGBB.
    uint32_t Shown(int x, int y)
    {
        HDC dc = GetDC(Window);
        const COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(Window, dc);
        return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    }

    static constexpr int Width = 160;
    static constexpr int Height = 120;
    const TRect All{0, 0, Width, Height};
    HWND Window = nullptr;
    TGdiWindow Target;
    TGdiRenderBackend Backend;
};

TEST_F(TGdiPresent, SendsTheWholeFrameFirstThenOnlyTheChange)
{
    ASSERT_TRUE(Backend.Clear(All, 0x000080));
    ASSERT_TRUE(Backend.Present(All, false));
    EXPECT_TRUE(Backend.LastPresentWhole());
    EXPECT_EQ(Shown(100, 100), 0x000080u);

    ASSERT_TRUE(Backend.Clear(TRect{10, 10, 30, 20}, 0xFF0000));
    ASSERT_TRUE(Backend.Present(All, false));
    EXPECT_FALSE(Backend.LastPresentWhole());
    EXPECT_GE(Backend.LastPresentRects(), 1u);
    EXPECT_EQ(Shown(15, 15), 0xFF0000u);
    EXPECT_EQ(Shown(100, 100), 0x000080u);

    ASSERT_TRUE(Backend.Present(All, false));
    EXPECT_FALSE(Backend.LastPresentWhole());
    EXPECT_EQ(Backend.LastPresentRects(), 0u);
}

TEST_F(TGdiPresent, AnExposedWindowGetsEverythingAgain)
{
    ASSERT_TRUE(Backend.Clear(All, 0x00FF00));
    ASSERT_TRUE(Backend.Present(All, false));
    Target.Exposed = true;
    ASSERT_TRUE(Backend.Present(All, false));
    EXPECT_TRUE(Backend.LastPresentWhole());
}

TEST_F(TGdiPresent, AFrameOfAnotherSizeIsStretchedOverTheWindow)
{
    TGdiRenderBackend small;
    TTargetRequest request;
    request.NativeWindow = &Target;
    request.Width = Width / 2;
    request.Height = Height / 2;
    ASSERT_EQ(small.CreateTarget(request).Failure, TTargetFailure::None);
    ASSERT_TRUE(small.Clear(TRect{0, 0, Width / 2, Height / 2}, 0xFFFF00));
    ASSERT_TRUE(small.Present(All, false));
    EXPECT_TRUE(small.LastPresentWhole());
    EXPECT_EQ(Shown(Width - 2, Height - 2), 0xFFFF00u);
    // Display modes are never switched; whatever is asked is already "there".
    EXPECT_TRUE(small.SetDisplayMode(&Target, TDisplayMode{640, 480, 16}));
    EXPECT_EQ(small.DisplayModes(&Target).size(), 1u);
}

TEST_F(TGdiPresent, NoWindowNoTarget)
{
    TGdiRenderBackend other;
    TGdiWindow none;
    TTargetRequest request;
    request.NativeWindow = &none;
    EXPECT_EQ(other.CreateTarget(request).Failure, TTargetFailure::PrimarySurface);
    EXPECT_FALSE(other.Present(All, false));
}

}
