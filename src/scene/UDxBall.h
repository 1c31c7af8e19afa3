#pragma once
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Messages.h"
#include "platform/WindowTimer.h"
#include "pictures/PrepareTextures.h"
#include "pictures/ULoadPic.h"
#include "render/TDXDraw.h"
#include "render/TDirectDrawSurface.h"
#include "scene/DrawFrame.h"
#include "scene/ISceneWindow.h"
#include "scene/TWind.h"

class IRenderBackend;

// Modifier keys held with a key press or pointer motion.
enum TShiftFlag : uint8_t {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
};
using TShiftState = uint8_t;

// The scene window: a borderless black window placed inside the host window that
// holds the drawing device, draws a frame every 40 ms, moves the background on in
// a slideshow, owns the wind, forwards mouse movement to the host and closes on
// Escape. Everything here runs on the user-interface thread.
class TFDxBall {
public:
    // Builds the components and runs FormCreate: textures and background are
    // prepared, the bubbles built again and the wind started. The window stays
    // hidden and without a parent until the host places it. captureDesktop is
    // asked for the background when the settings want the desktop.
    TFDxBall(std::unique_ptr<ISceneWindow> window, std::unique_ptr<IRenderBackend> backend,
             TDesktopCapture captureDesktop);
    ~TFDxBall();
    TFDxBall(const TFDxBall&) = delete;
    TFDxBall& operator=(const TFDxBall&) = delete;

    // Places the window inside `host`, filling its client area.
    void SetParentWindow(TWindow host);
    // Showing initialises the device the first time.
    void Show();
    // Runs FormClose, then hides the window. Safe to run again.
    void Close();
    bool Visible() const;

    void FormCreate();
    void FormClose();
    void FormKeyDown(uint32_t key, TShiftState shift);
    // The window was resized (its host follows another program's window):
    // the scene draws at the new size, at the scale it gives.
    void FormResize(int32_t width, int32_t height);
    void Timer1Timer();
    void Timer2Timer();
    // The loader's hand-over of a slideshow step.
    void PictureReady(TLoadPic& sender);
    void DXDrawMouseMove(TShiftState shift, int32_t x, int32_t y);
    void DXDrawInitializeSurface();
    void DXDrawFinalizeSurface();
    void DXDrawFinalize();

    // Keeps the window's placement to come back to; RestoreWindow applies it once.
    void StoreWindow();
    void RestoreWindow();

    // The style and picture textures and the starting background picture.
    void PrepareTextures();
    void DrawFrame();

    ISceneWindow& Window() { return *SceneWindow; }

    // Components, in the form's order.
    TDXDraw DXDraw;
    TWindowTimer Timer1;
    // The image holders DXDIB1..3 and BackImage, with the style textures, the
    // picture textures and the bitmaps behind them: each texture reads its
    // bitmap again on every restore, so they are kept together.
    TSceneTextures Pictures;
    TWindowTimer Timer2;

    TPoint FirstMouse;
    std::unique_ptr<TDirectDrawSurface> BackSurface;
    std::unique_ptr<TWind> Wind;
    std::unique_ptr<TLoadPic> Loader;
    int32_t PictureIndex = 0;
    // The pace of the slideshow's fade steps, given to each loader made.
    std::chrono::milliseconds FadeStepInterval = TLoadPic::DefaultStepInterval;

private:
    bool HandleWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    void ToggleFullScreen();
    void MakeStyleTextures();
    void ReleaseLoader();
    TFrameSources FrameSources() const;

    std::unique_ptr<ISceneWindow> SceneWindow;
    TDesktopCapture CaptureDesktop;
    std::optional<TWindowPlacement> StoredPlacement;
};

// The one scene window; made by CreateScene and kept until the process ends.
extern TFDxBall* Scene;
