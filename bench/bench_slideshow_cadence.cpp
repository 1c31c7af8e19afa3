#include <SDL.h>
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "render/IRenderBackend.h"
#include "render/TDIB.h"
#include "render/TMemoryStream.h"
#include "render/backends/sdl/TSdlRenderBackend.h"
#include "render/backends/sdl/TSdlWindowControl.h"
#include "scene/FrameCounters.h"
#include "scene/ISceneWindow.h"
#include "scene/UBallLink.h"
#include "scene/UDxBall.h"
#include "settings/TBallSettings.h"

// The frame timer's cadence while the slideshow fades: the real scene on the
// software renderer, its slideshow timer every second, and the intervals
// between presented frames split into those during a fade and the rest. The
// user-interface thread's own processor time per interval is given too: on a
// shared machine the wall-clock intervals mostly show the others' load.

namespace {

constexpr int32_t SlideSeconds = 1;
constexpr uint32_t RunMs = 8000;
constexpr TWindow HostWindow = 1;

using TClock = std::chrono::steady_clock;

struct TFrameTime {
    TClock::time_point At;
    double UiCpuMs;   // the user-interface thread's own processor time so far
    bool Fading;
};

double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

// The scene's window reduced to the SDL window the device draws into.
class TBenchSceneWindow : public ISceneWindow {
public:
    explicit TBenchSceneWindow(SDL_Window* window) : Control(window) {}
    void SetMessageHandler(TSceneMessageHandler) override {}
    void SetParentWindow(TWindow parent) override { Parent = parent; }
    TWindow ParentWindow() const override { return Parent; }
    IDrawControl* DrawControl() override { return &Control; }
    void Show(bool visible) override { Shown = visible; }
    bool Visible() const override { return Shown; }
    bool Exists() const override { return true; }
    void TakeFocus() override {}
    void PostToParent(uint32_t, uintptr_t, intptr_t) override {}
    void SetCursorVisible(bool) override {}
    void SetSizeableBorder(bool) override {}
    bool GetPlacement(TWindowPlacement&) const override { return false; }
    void SetPlacement(const TWindowPlacement&) override {}

private:
    TSdlWindowControl Control;
    TWindow Parent = 0;
    bool Shown = false;
};

// The SDL backend, noting when each frame is presented.
class TTimedBackend : public IRenderBackend {
public:
    TTimedBackend(std::vector<TFrameTime>& frames) : Frames(frames) {}
    std::vector<TDisplayMode> DisplayModes(void* window) override { return Sdl.DisplayModes(window); }
    bool SetDisplayMode(void* window, const TDisplayMode& mode) override { return Sdl.SetDisplayMode(window, mode); }
    TTargetResult CreateTarget(const TTargetRequest& request) override { return Sdl.CreateTarget(request); }
    void ReleaseTarget() override { Sdl.ReleaseTarget(); }
    bool IsLost() override { return Sdl.IsLost(); }
    bool Restore() override { return Sdl.Restore(); }
    std::vector<TTexturePixelFormat> TextureFormats() override { return Sdl.TextureFormats(); }
    TTextureCaps TextureCaps() override { return Sdl.TextureCaps(); }
    std::unique_ptr<IBackendTexture> CreateTexture(int w, int h, const TTexturePixelFormat& f) override
    {
        return Sdl.CreateTexture(w, h, f);
    }
    bool UploadTexture(IBackendTexture& texture, const void* pixels, int pitch, const uint32_t* palette) override
    {
        return Sdl.UploadTexture(texture, pixels, pitch, palette);
    }
    bool Clear(const TRect& rect, uint32_t color) override { return Sdl.Clear(rect, color); }
    bool CopyPlainSurface(const TPlainPixels& source, const TRect& rect, int x, int y) override
    {
        return Sdl.CopyPlainSurface(source, rect, x, y);
    }
    void SetViewport(const TRect& viewport) override { Sdl.SetViewport(viewport); }
    bool DrawTriangleStrip(const TD3DTLVertex* vertices, size_t count, IBackendTexture* texture,
                           const TRenderStates& states) override
    {
        return Sdl.DrawTriangleStrip(vertices, count, texture, states);
    }
    bool Present(const TRect& dest, bool waitVBlank) override
    {
        const bool shown = Sdl.Present(dest, waitVBlank);
        const bool fading = Scene && Scene->Loader && !Scene->Loader->Suspended();
        Frames.push_back({TClock::now(), ThreadCpuMs(), fading});
        return shown;
    }

private:
    TSdlRenderBackend Sdl{TSdlRendererChoice::Software};
    std::vector<TFrameTime>& Frames;
};

std::string WritePhoto(const std::filesystem::path& folder, const std::string& name, int32_t width, int32_t height,
                       uint32_t seed)
{
    TDIB dib;
    dib.SetSize(width, height, 24);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = dib.ScanLine(y);
        for (int32_t x = 0; x < width * 3; ++x)
            row[x] = uint8_t((x * seed + y * 7) >> 3);
    }
    TMemoryStream stream;
    dib.SaveToStream(stream);
    const std::filesystem::path path = folder / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.Bytes().data()), std::streamsize(stream.Size()));
    return path.string();
}

struct TIntervals {
    double Mean = 0;
    double P95 = 0;
    double Max = 0;
    size_t Count = 0;
};

TIntervals Summarise(std::vector<double> ms)
{
    TIntervals result;
    if (ms.empty())
        return result;
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double value : ms)
        sum += value;
    result.Mean = sum / double(ms.size());
    result.P95 = ms[std::min(ms.size() - 1, size_t(double(ms.size()) * 0.95))];
    result.Max = ms.back();
    result.Count = ms.size();
    return result;
}

void FadeFrameCadence(benchmark::State& state)
{
    const auto screenWidth = int32_t(state.range(0));
    const auto screenHeight = int32_t(state.range(1));
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tessaly-bench-cadence";
    std::filesystem::create_directories(folder);
    BallSettings = TBallSettings{};
    BallSettings.SoundOpen = false;
    BallSettings.BackType = 3;
    BallSettings.BackInterval = SlideSeconds;
    BallSettings.RandomPlay = false;
    BallSettings.BackPicList = std::make_unique<TStringList>(TStringList{
        WritePhoto(folder, "landscape.bmp", 3000, 2000, 3), WritePhoto(folder, "portrait.bmp", 1200, 1800, 5),
        WritePhoto(folder, "wide.bmp", 1920, 1080, 11)});
    BallSettings.BackPicture = BallSettings.BackPicList->front();
    ScreenRect = {0, 0, screenWidth, screenHeight};
    ViewScale = 1.0f;
    ResetFrameCounters();

    SDL_Window* window = SDL_CreateWindow("cadence", 0, 0, screenWidth, screenHeight, 0);
    std::vector<TFrameTime> frames;
    for (auto _ : state) {
        frames.clear();
        auto scene = std::make_unique<TFDxBall>(std::make_unique<TBenchSceneWindow>(window),
                                                std::make_unique<TTimedBackend>(frames),
                                                [] { return std::optional<TBgrPixels>(); });
        Scene = scene.get();
        scene->SetParentWindow(HostWindow);
        scene->Show();
        const TWindow quit = UiLoop().AllocateHWnd([](TWindow, uint32_t, uintptr_t, intptr_t) { return 0; });
        UiLoop().SetTimer(quit, 1, RunMs, [] { UiLoop().PostQuitMessage(0); });
        UiLoop().Run();
        UiLoop().DestroyWindow(quit);
        scene->Close();
        Scene = nullptr;
    }
    SDL_DestroyWindow(window);

    std::vector<double> fading, quiet, fadingCpu, quietCpu;
    for (size_t i = 1; i < frames.size(); ++i) {
        const double ms = std::chrono::duration<double, std::milli>(frames[i].At - frames[i - 1].At).count();
        const double cpu = frames[i].UiCpuMs - frames[i - 1].UiCpuMs;
        (frames[i].Fading ? fading : quiet).push_back(ms);
        (frames[i].Fading ? fadingCpu : quietCpu).push_back(cpu);
    }
    const TIntervals during = Summarise(fading);
    const TIntervals otherwise = Summarise(quiet);
    const TIntervals duringCpu = Summarise(fadingCpu);
    const TIntervals otherwiseCpu = Summarise(quietCpu);
    state.counters["fade_frames"] = double(during.Count);
    state.counters["fade_mean_ms"] = during.Mean;
    state.counters["fade_p95_ms"] = during.P95;
    state.counters["fade_max_ms"] = during.Max;
    state.counters["fade_ui_cpu_mean_ms"] = duringCpu.Mean;
    state.counters["fade_ui_cpu_max_ms"] = duringCpu.Max;
    state.counters["quiet_frames"] = double(otherwise.Count);
    state.counters["quiet_mean_ms"] = otherwise.Mean;
    state.counters["quiet_p95_ms"] = otherwise.P95;
    state.counters["quiet_ui_cpu_mean_ms"] = otherwiseCpu.Mean;
    std::filesystem::remove_all(folder);
}

}

BENCHMARK(FadeFrameCadence)->Args({1920, 1080})->Args({800, 600})->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
