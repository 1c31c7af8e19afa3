#include "scene/UDxBall.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <iostream>
#include <limits>

#include "pictures/FadeBlend.h"
#include "platform/Random.h"
#include "platform/TickCount.h"
#include "render/IRenderBackend.h"
#include "render/TDirect3DDevice7.h"
#include "scene/FrameCounters.h"
#include "scene/UBallLink.h"
#include "settings/TBallSettings.h"

namespace {
constexpr uint32_t FrameInterval = 40;          // ms: 25 frames a second
constexpr uint32_t DefaultSlideInterval = 15000;
constexpr int64_t MillisecondsPerSecond = 1000;
constexpr int32_t UserPictures = 3;             // BackType of a slideshow
constexpr int DesignWidth = 536;
constexpr int DesignHeight = 341;
// Exclusive full screen asks for this mode, or one of its shape.
constexpr TDXDrawDisplay FullScreenDisplay{640, 480, 16, false, true, false};

// The slideshow period; a negative interval never fires, a huge one waits as long as a timer can.
uint32_t SlideInterval(int32_t seconds)
{
    const int64_t ms = static_cast<int64_t>(seconds) * MillisecondsPerSecond;
    return static_cast<uint32_t>(std::clamp<int64_t>(ms, 0, std::numeric_limits<uint32_t>::max()));
}
}

TFDxBall* Scene = nullptr;

TFDxBall::TFDxBall(std::unique_ptr<ISceneWindow> window, std::unique_ptr<IRenderBackend> backend,
                   TDesktopCapture captureDesktop)
    : DXDraw(std::move(backend)), SceneWindow(std::move(window)), CaptureDesktop(std::move(captureDesktop))
{
    DXDraw.SetOptions(SceneDeviceOptions);
    DXDraw.AutoInitialize = true;
    DXDraw.AutoSize = true;
    DXDraw.SetSurfaceWidth(DesignWidth);
    DXDraw.SetSurfaceHeight(DesignHeight);
    DXDraw.Display = FullScreenDisplay;
    DXDraw.OnInitializeSurface = [this](TDXDraw&) { DXDrawInitializeSurface(); };
    DXDraw.OnFinalizeSurface = [this](TDXDraw&) { DXDrawFinalizeSurface(); };
    DXDraw.OnFinalize = [this](TDXDraw&) { DXDrawFinalize(); };

    Timer1.SetInterval(FrameInterval);
    Timer1.SetOnTimer([this] { Timer1Timer(); });
    Timer1.SetEnabled(true);
    Timer2.SetEnabled(false);
    Timer2.SetInterval(DefaultSlideInterval);
    Timer2.SetOnTimer([this] { Timer2Timer(); });

    SceneWindow->SetMessageHandler(
        [this](uint32_t message, uintptr_t wParam, intptr_t lParam) { return HandleWindowMessage(message, wParam, lParam); });
    FormCreate();
}

TFDxBall::~TFDxBall()
{
    // Nothing may tick into a half-released scene, and the device's finalise
    // handlers must still find the scene whole.
    Wind.reset();
    Timer1.SetEnabled(false);
    Timer2.SetEnabled(false);
    ReleaseLoader();
    DXDraw.FinalizeDevice();
    DXDraw.OnInitializeSurface = nullptr;
    DXDraw.OnFinalizeSurface = nullptr;
    DXDraw.OnFinalize = nullptr;
    DXDraw.SetControl(nullptr);
    Pictures.ReleaseTextures();
    SceneWindow->SetMessageHandler(nullptr);
}

void TFDxBall::SetParentWindow(TWindow host)
{
    SceneWindow->SetParentWindow(host);
    DXDraw.SetControl(SceneWindow->DrawControl());
}

void TFDxBall::Show()
{
    SceneWindow->Show(true);
    SceneWindow->TakeFocus();
    try {
        DXDraw.FormShown();
    } catch (const std::exception& error) {
        // The scene stays black, as the host window is; the saver still ends on
        // input. A window that went away meanwhile (the preview was closed
        // while it started) is no fault worth a line.
        if (SceneWindow->Exists())
            std::cerr << "tessaly: the drawing device cannot be initialised: " << error.what() << '\n';
    }
}

void TFDxBall::Close()
{
    FormClose();
    SceneWindow->Show(false);
}

bool TFDxBall::Visible() const { return SceneWindow->Visible(); }

void TFDxBall::FormCreate()
{
    PrepareTextures();
    Restitution = DefaultRestitution;
    BuildBalls(BallSettings.BallsCount);
    Wind = std::make_unique<TWind>();
    Timer2.SetInterval(SlideInterval(BallSettings.BackInterval));
    if (BallSettings.BackPicList && BallSettings.BackPicList->size() > 1 && BallSettings.BackType == UserPictures)
        Timer2.SetEnabled(true);
}

void TFDxBall::FormClose()
{
    Wind.reset();
    Timer2.SetEnabled(false);
    Timer1.SetEnabled(false);
    ReleaseLoader();
    BallSettings.BackPicList.reset();
}

void TFDxBall::FormKeyDown(uint32_t key, TShiftState shift)
{
    if (key == VK_ESCAPE)
        Close();
    if ((shift & ssAlt) && key == VK_RETURN)
        ToggleFullScreen();
}

void TFDxBall::FormResize(int32_t width, int32_t height)
{
    // A move, or the size the scene already draws at, changes nothing.
    if (width <= 0 || height <= 0 || (width == HostRect.Right - HostRect.Left && height == HostRect.Bottom - HostRect.Top))
        return;
    HostRect = {0, 0, width, height};
    ViewScale = ViewScaleFor(HostRect, ScreenRect);
    // The slideshow's images have the old size; the next tick starts a
    // loader of the new one.
    ReleaseLoader();
    DXDraw.ControlResized();
}

void TFDxBall::ToggleFullScreen()
{
    DXDraw.FinalizeDevice();
    TDXDrawOptions options = DXDraw.Options();
    if (options & doFullScreen) {
        RestoreWindow();
        SceneWindow->SetCursorVisible(true);
        SceneWindow->SetSizeableBorder(true);
        options &= static_cast<TDXDrawOptions>(~doFullScreen);
    } else {
        StoreWindow();
        SceneWindow->SetCursorVisible(false);
        SceneWindow->SetSizeableBorder(false);
        options |= doFullScreen;
        if (!(options & doSelectDriver))
            options |= doSelectDriver;
    }
    DXDraw.SetOptions(options);
    try {
        DXDraw.InitializeDevice();
    } catch (const std::exception&) {
        // A display that refuses the mode leaves the device finalised and the
        // window black; the next Alt+Enter tries the other way. Nothing is shown
        // while the saver runs.
    }
}

void TFDxBall::StoreWindow()
{
    TWindowPlacement placement;
    if (SceneWindow->GetPlacement(placement))
        StoredPlacement = placement;
    else
        StoredPlacement.reset();
}

void TFDxBall::RestoreWindow()
{
    if (!StoredPlacement)
        return;
    SceneWindow->SetPlacement(*StoredPlacement);
    StoredPlacement.reset();
}

void TFDxBall::Timer1Timer()
{
    CountFrameTick(GetTickCount());
    try {
        DrawFrame();
    } catch (...) {
        // A lost frame is not worth stopping the saver for; the next tick draws again.
    }
}

void TFDxBall::Timer2Timer()
{
    if (!DXDraw.DeviceReady())
        return;
    if (!BallSettings.BackPicList || BallSettings.BackPicList->empty())
        return;
    const TStringList& paths = *BallSettings.BackPicList;
    if (!Loader) {
        Loader = std::make_unique<TLoadPic>(&DXDraw);
        Loader->HandOver = [this](TLoadPic& sender) { PictureReady(sender); };
        // A fade takes at most half the slideshow's period, so that a short
        // period set by hand still shows every tick's picture.
        const std::chrono::milliseconds halfPeriodStep{Timer2.Interval() / (2 * FadeSteps)};
        Loader->StepInterval = std::min(FadeStepInterval, halfPeriodStep);
        Loader->SetFileName(BallSettings.BackPicture);
        PictureIndex = 0;
    }
    const auto count = static_cast<int32_t>(paths.size());
    if (BallSettings.RandomPlay)
        PictureIndex = Random(count);
    else
        ++PictureIndex;
    if (PictureIndex > count - 1)
        PictureIndex = 0;
    Loader->SetFileName(paths[static_cast<size_t>(PictureIndex)]);
    // A loader still busy with a fade takes no notice; the name then waits
    // for the next tick.
    Loader->Resume();
}

void TFDxBall::PictureReady(TLoadPic&)
{
    if (!DXDraw.DeviceReady())
        return;
    // At close the loader is already gone from here while its last
    // hand-overs are served: they must not put it back to sleep.
    if (!Loader)
        return;
    // Steps change hands by swapping pixels; the end of a fade repeats the
    // last step, which the background already is.
    TDirectDrawSurface& step = Loader->StepSurface();
    // A frame cut short may have left its background copy waiting, still
    // reading these pixels.
    DXDraw.FinishDrawing();
    if (BackSurface && !Loader->Finished() && !BackSurface->SwapPixels(step))
        BackSurface->BltFast(0, 0, step, step.ClientRect(), 0);
    if (Loader->Finished())
        Loader->Suspend();
}

void TFDxBall::ReleaseLoader()
{
    if (!Loader)
        return;
    Loader->Terminate();
    if (Loader->Suspended())
        Loader->Resume();
    // Cleared before the wait, so that PictureReady sees no loader.
    std::unique_ptr<TLoadPic> ending = std::move(Loader);
    ending.reset();
}

void TFDxBall::DXDrawMouseMove(TShiftState, int32_t x, int32_t y)
{
    if (FirstMouse == TPoint{0, 0}) {
        FirstMouse = {x, y};
        return;
    }
    // The host judges the movement by the real cursor position, not by these.
    if (x != FirstMouse.X || y != FirstMouse.Y)
        SceneWindow->PostToParent(WM_MOUSEMOVE, 0, 0);
}

void TFDxBall::DXDrawInitializeSurface()
{
    if (TDirect3DDevice7* d3d = DXDraw.D3DDevice7()) {
        d3d->SetViewport(0, 0, DXDraw.SurfaceWidth(), DXDraw.SurfaceHeight(), 0.0f, 1.0f);
        if (DXDraw.NowOptions() & doHardware) {
            d3d->SetRenderState(D3DRENDERSTATE_TEXTUREMAG, D3DFILTER_MIPLINEAR);
            d3d->SetRenderState(D3DRENDERSTATE_TEXTUREMIN, D3DFILTER_MIPLINEAR);
        }
    }
    const IDrawControl* control = DXDraw.Control();
    const int width = control ? control->ClientWidth() : DXDraw.SurfaceWidth();
    const int height = control ? control->ClientHeight() : DXDraw.SurfaceHeight();
    BackSurface = std::make_unique<TDirectDrawSurface>();
    const TDIB& picture = Pictures.BackImage;
    if (picture.Width() > 0 && picture.Height() > 0)
        BackSurface->StretchPicture(picture, width, height, TRect{0, 0, picture.Width(), picture.Height()});
    else
        BackSurface->SetSurfaceSize(width, height);
    MakeStyleTextures();
}

void TFDxBall::DXDrawFinalizeSurface() { BackSurface.reset(); }

void TFDxBall::DXDrawFinalize()
{
    Pictures.BallTexture.reset();
    Pictures.FrontTexture.reset();
    Pictures.ShadowTexture.reset();
}

void TFDxBall::MakeStyleTextures()
{
    // DXDrawFinalize lets the style textures go with the device; their bitmaps
    // stay in the three holders, so each initialisation makes them again.
    const auto remake = [this](std::unique_ptr<TDirect3DTexture2>& texture, TDXDIB& holder) {
        if (!texture && holder.DIB().Width() > 0)
            texture = std::make_unique<TDirect3DTexture2>(DXDraw, &holder.DIB(), false);
    };
    remake(Pictures.BallTexture, Pictures.DXDIB1);
    remake(Pictures.FrontTexture, Pictures.DXDIB2);
    remake(Pictures.ShadowTexture, Pictures.DXDIB3);
}

TFrameSources TFDxBall::FrameSources() const
{
    TFrameSources sources;
    sources.BackSurface = BackSurface.get();
    sources.BallTexture = Pictures.BallTexture.get();
    sources.FrontTexture = Pictures.FrontTexture.get();
    sources.ShadowTexture = Pictures.ShadowTexture.get();
    for (size_t slot = 1; slot <= sources.PictureTextures.size(); ++slot)
        sources.PictureTextures[slot - 1] = Pictures.PictureTextures[slot].get();
    return sources;
}

void TFDxBall::DrawFrame() { ::DrawFrame(DXDraw, FrameSources()); }

bool TFDxBall::HandleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        const uint32_t key = static_cast<uint32_t>(wParam);
        const TShiftState shift = (lParam & KF_ALTDOWN) ? ssAlt : 0;
        FormKeyDown(key, shift);
        // The scene keeps only its own two keys; every other press is the host's.
        return key == VK_ESCAPE || ((shift & ssAlt) && key == VK_RETURN);
    }
    case WM_MOUSEMOVE: {
        const TPoint at = PointFromParam(lParam);
        DXDrawMouseMove(0, at.X, at.Y);
        return true;
    }
    case WM_SIZE: {
        const TPoint size = PointFromParam(lParam);
        FormResize(size.X, size.Y);
        return true;
    }
    case WM_DESTROY:
        DXDraw.FormDestroyed();
        DXDraw.SetControl(nullptr);
        return true;
    default:
        return false;
    }
}

void TFDxBall::PrepareTextures() { ::PrepareTextures(Pictures, DXDraw, BallSettings, CaptureDesktop); }
