#include "host/UPreview.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "host/PlatformParts.h"
#include "platform/DesktopCapture.h"
#include "platform/Screen.h"
#include "scene/UDxBall.h"
#include "settings/TBallSettings.h"
#include "sound/Uwindbell.h"
#if TESSALY_HAVE_DIALOG
#include "settings/dialog/RunSettingsDialog.h"
#endif

namespace {

constexpr double RadiusAtSizeOne = 78.0;
constexpr double LowestRadius = INT32_MIN;
constexpr double HighestRadius = INT32_MAX;

// The scene window's share of set-up and tear-down. The scene is made once and
// kept until the process ends; closing it twice releases nothing twice.
void CreateSceneWindow()
{
    if (!Scene)
        Scene = new TFDxBall(MakeSceneWindow(), MakeRenderBackend(), CaptureDesktop);
}
void ParentSceneWindow(THostWindow window) { Scene->SetParentWindow(window); }
void ShowSceneWindow() { Scene->Show(); }
void StopSceneFrameTimer()
{
    if (Scene)
        Scene->Timer1.SetEnabled(false);
}
void StopSceneWind()
{
    if (Scene && Scene->Wind)
        Scene->Wind->Stop();
}
void CloseSceneWindow()
{
    if (Scene)
        Scene->Close();
}

void BuildScene(THostWindow window)
{
    LoadSettings();
    BallRadius = BallRadiusFor(BallSettings.SizeFactor);
    // The monitor the host window is on: the whole screen full screen, the
    // preview's monitor for a miniature, and the window's own monitor for
    // each of the copies XScreenSaver runs side by side.
    const TPixelSize screen = MonitorSizeAround(window);
    ScreenRect = {0, 0, screen.Width, screen.Height};
    if (BallSettings.SoundOpen && !WindBell)
        WindBell = new TWindBell();
    BuildBalls(BallSettings.BallsCount);
    const TPixelSize client = WindowClientSize(window);
    HostRect = {0, 0, client.Width, client.Height};
    ViewScale = ViewScaleFor(HostRect, ScreenRect);
    CreateSceneWindow();
    ParentSceneWindow(window);
    ShowSceneWindow();
}

}

int32_t BallRadiusFor(float sizeFactor)
{
    // A hand-edited size can ask for any radius; keep it a valid integer.
    const double wanted = std::clamp(static_cast<double>(sizeFactor) * RadiusAtSizeOne, LowestRadius, HighestRadius);
    if (std::isnan(wanted))
        return 0;
    const double below = std::floor(wanted);
    const double fraction = wanted - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    return static_cast<int32_t>(std::min(rounded, HighestRadius));
}

void CreateScene(THostWindow window, TSaverMode mode)
{
    try {
        BuildScene(window);
    } catch (...) {
        // The host calls no DestroyScene for a window it could not make: what
        // was built so far goes here, the chime whatever the settings say.
        delete WindBell;
        WindBell = nullptr;
        DestroyScene(window, mode);
        throw;
    }
}

void DestroyScene(THostWindow, TSaverMode)
{
    if (BallSettings.SoundOpen) {
        delete WindBell;
        WindBell = nullptr;
    }
    StopSceneFrameTimer();
    StopSceneWind();
    CloseSceneWindow();
}

void ShowSettings(THostWindow)
{
    LoadSettings();
#if TESSALY_HAVE_DIALOG
    RunSettingsDialog();
#else
    RunPlatformSettingsDialog();
#endif
}
