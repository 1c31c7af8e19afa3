// One whole frame of the scene at 1920 x 1080: clear, background copy, physics
// step, 100 bubbles with shadow, tinted body, picture and front, present. Once
// with SDL's software renderer and once with OpenGL, both on SDL's offscreen
// video driver so that no display is needed.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "render/TDIB.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DTexture2.h"
#include "render/TDirectDrawSurface.h"
#include "render/backends/sdl/TSdlRenderBackend.h"
#include "render/backends/sdl/TSdlWindowControl.h"
#include "scene/DrawFrame.h"
#include "scene/FrameCounters.h"
#include "scene/UBallLink.h"
#include "settings/TBallSettings.h"

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
constexpr int TextureSize = 256;
constexpr int32_t Bubbles = 100;

// A soft disc: white, alpha falling off towards the rim, like the style images.
void PaintDisc(TDIB& dib, uint32_t colour)
{
    dib.SetSize(TextureSize, TextureSize, 32);
    const double centre = (TextureSize - 1) / 2.0;
    for (int y = 0; y < TextureSize; ++y)
        for (int x = 0; x < TextureSize; ++x) {
            const double distance = std::hypot(x - centre, y - centre) / centre;
            const auto alpha = static_cast<uint32_t>(distance < 1.0 ? 255.0 * (1.0 - distance * distance) : 0.0);
            dib.SetPixelValue(x, y, alpha << 24 | colour);
        }
}

void BM_DrawFrame(benchmark::State& state, TSdlRendererChoice choice)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    const Uint32 flags = choice == TSdlRendererChoice::OpenGL ? SDL_WINDOW_OPENGL : 0;
    SDL_Window* window = SDL_CreateWindow("frame", 0, 0, ScreenWidth, ScreenHeight, flags);
    if (!window) {
        state.SkipWithError(SDL_GetError());
        SDL_Quit();
        return;
    }
    {
        TSdlWindowControl control(window);
        TDXDraw device(std::make_unique<TSdlRenderBackend>(choice));
        device.SetOptions(SceneDeviceOptions);
        device.SetControl(&control);

        std::vector<std::unique_ptr<TDIB>> dibs;
        std::vector<std::unique_ptr<TDirect3DTexture2>> textures;
        const auto texture = [&](uint32_t colour) {
            dibs.push_back(std::make_unique<TDIB>());
            PaintDisc(*dibs.back(), colour);
            textures.push_back(std::make_unique<TDirect3DTexture2>(device, dibs.back().get(), false));
            return textures.back().get();
        };
        TFrameSources sources;
        sources.BallTexture = texture(0xFFFFFF);
        sources.FrontTexture = texture(0xFFFFFF);
        sources.ShadowTexture = texture(0x000000);
        for (auto& picture : sources.PictureTextures)
            picture = texture(0x3080C0);
        device.InitializeDevice();

        TDirectDrawSurface background;
        background.SetSurfaceSize(ScreenWidth, ScreenHeight);
        for (int y = 0; y < ScreenHeight; ++y) {
            uint32_t* row = background.ScanLine(y);
            for (int x = 0; x < ScreenWidth; ++x)
                row[x] = static_cast<uint32_t>((x * 255 / ScreenWidth) << 16 | (y * 255 / ScreenHeight) << 8 | 0x40);
        }
        background.Changed();
        sources.BackSurface = &background;

        BallSettings.BallsCount = Bubbles;
        BallSettings.ShowShadow = true;
        BallSettings.SoundOpen = false;
        BallSettings.BubbleStyle = 0;
        BallSettings.StyleSize = 100;
        BallSettings.SizeFactor = 1.0f;
        ScreenRect = {0, 0, ScreenWidth, ScreenHeight};
        BallRadius = 78;
        ViewScale = 1.0f;
        Restitution = DefaultRestitution;
        BuildBalls(Bubbles);
        ResetFrameCounters();

        for (auto _ : state)
            DrawFrame(device, sources);
        state.SetItemsProcessed(state.iterations());
        state.SetLabel(device.DeviceReady() ? "ready" : "device not ready");
        textures.clear();
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
}

}

BENCHMARK_CAPTURE(BM_DrawFrame, software, TSdlRendererChoice::Software)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_DrawFrame, opengl, TSdlRendererChoice::OpenGL)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
