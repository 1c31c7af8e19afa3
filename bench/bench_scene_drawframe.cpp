// One whole frame of the scene at 1920 x 1080: clear, background copy, physics
// step, bubbles with shadow, tinted body, picture and front, present. With
// SDL's software renderer and OpenGL at 100 bubbles, and with the CPU
// compositor at the default 10 and at 100, all on SDL's offscreen video
// driver so that no display is needed. Frames follow one another as in the
// saver, so the compositor's damage tracking has its real share; the
// process's processor time per frame (all threads) is reported beside the
// wall-clock time, since that is what the saver costs a loaded machine.
#include <SDL.h>
#include <sys/resource.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "render/TDIB.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DTexture2.h"
#include "render/TDirectDrawSurface.h"
#include "render/backends/cpu/TCpuRenderBackend.h"
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

enum class TBackendKind { Cpu, OpenGL, Software };

std::unique_ptr<IRenderBackend> MakeBackend(TBackendKind kind)
{
    switch (kind) {
    case TBackendKind::Cpu:
        return std::make_unique<TCpuRenderBackend>();
    case TBackendKind::OpenGL:
        return std::make_unique<TSdlRenderBackend>(TSdlRendererChoice::OpenGL);
    case TBackendKind::Software:
        break;
    }
    return std::make_unique<TSdlRenderBackend>(TSdlRendererChoice::Software);
}

// Processor time of the whole process so far, in seconds.
double ProcessSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

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

void BM_DrawFrame(benchmark::State& state, TBackendKind kind, int32_t bubbles)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    const Uint32 flags = kind == TBackendKind::OpenGL ? SDL_WINDOW_OPENGL : 0;
    SDL_Window* window = SDL_CreateWindow("frame", 0, 0, ScreenWidth, ScreenHeight, flags);
    if (!window) {
        state.SkipWithError(SDL_GetError());
        SDL_Quit();
        return;
    }
    {
        TSdlWindowControl control(window);
        TDXDraw device(MakeBackend(kind));
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

        BallSettings.BallsCount = bubbles;
        BallSettings.ShowShadow = true;
        BallSettings.SoundOpen = false;
        BallSettings.BubbleStyle = 0;
        BallSettings.StyleSize = 100;
        BallSettings.SizeFactor = 1.0f;
        ScreenRect = {0, 0, ScreenWidth, ScreenHeight};
        BallRadius = 78;
        ViewScale = 1.0f;
        Restitution = DefaultRestitution;
        BuildBalls(bubbles);
        ResetFrameCounters();

        const double before = ProcessSeconds();
        for (auto _ : state)
            DrawFrame(device, sources);
        state.counters["cpu_ms"] = benchmark::Counter(
            1000.0 * (ProcessSeconds() - before) / static_cast<double>(state.iterations()));
        state.SetItemsProcessed(state.iterations());
        state.SetLabel(device.DeviceReady() ? "ready" : "device not ready");
        textures.clear();
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
}

}

BENCHMARK_CAPTURE(BM_DrawFrame, software, TBackendKind::Software, Bubbles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_DrawFrame, opengl, TBackendKind::OpenGL, Bubbles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_DrawFrame, compositor_defaults, TBackendKind::Cpu, 10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_DrawFrame, compositor, TBackendKind::Cpu, Bubbles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
