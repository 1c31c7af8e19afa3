#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <cstdlib>
#include <memory>

#include "render/TDIB.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DDevice7.h"
#include "render/TDirect3DTexture2.h"
#include "render/TDirectDrawSurface.h"
#include "render/backends/sdl/TSdlRenderBackend.h"
#include "render/backends/sdl/TSdlWindowControl.h"

// One frame's worth of device work at full HD: the background copy and 400
// textured, tinted, alpha-blended squares of 182 pixels, then the present.

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
constexpr int Squares = 400;
constexpr float Half = 91.0f;

void Frame(benchmark::State& state, TSdlRendererChoice choice) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  const Uint32 flags = choice == TSdlRendererChoice::OpenGL ? SDL_WINDOW_OPENGL : 0;
  SDL_Window* window = SDL_CreateWindow("bench", 0, 0, ScreenWidth, ScreenHeight, flags);
  {
    TSdlWindowControl control(window);
    auto owned = std::make_unique<TSdlRenderBackend>(choice);
    TSdlRenderBackend* backend = owned.get();
    TDXDraw device(std::move(owned));
    device.SetOptions(SceneDeviceOptions);
    device.SetControl(&control);
    device.InitializeDevice();
    TDirect3DDevice7* d3d = device.D3DDevice7();
    if (device.NowOptions() & doHardware) {
      d3d->SetRenderState(D3DRENDERSTATE_TEXTUREMAG, D3DFILTER_MIPLINEAR);
      d3d->SetRenderState(D3DRENDERSTATE_TEXTUREMIN, D3DFILTER_MIPLINEAR);
    }

    TDirectDrawSurface background;
    background.SetSurfaceSize(ScreenWidth, ScreenHeight);
    for (int y = 0; y < ScreenHeight; ++y) {
      for (int x = 0; x < ScreenWidth; ++x) background.ScanLine(y)[x] = uint32_t(x * 2654435761u ^ y * 40503u);
    }
    background.Changed();

    TDIB dib;
    dib.SetSize(256, 256, 32);
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < 256; ++x) {
        const int dx = x - 128, dy = y - 128;
        const int alpha = std::max(0, 255 - (dx * dx + dy * dy) / 64);
        dib.SetColor(x, y, (uint32_t(alpha) << 24) | 0xFFFFFF);
      }
    }
    TDirect3DTexture2 texture(device, &dib, false);

    TD3DTLVertex v[4];
    // The renderer may draw on threads of its own (llvmpipe does), which the
    // benchmark's CPU time leaves out; the process clock counts them.
    const std::clock_t started = std::clock();
    for (auto _ : state) {
      if (!device.DeviceReady()) continue;
      d3d->Clear(TRect{0, 0, device.SurfaceWidth(), device.SurfaceHeight()}, D3DCLEAR_TARGET, 0, 1.0f, 0);
      device.Surface().BltFast(0, 0, background, background.ClientRect(), 0);
      for (int i = 0; i < Squares; ++i) {
        const float cx = float((i * 97) % ScreenWidth), cy = float((i * 61) % ScreenHeight);
        const uint32_t tint = 0xFF000000u | uint32_t(i * 0x010305 & 0xFFFFFF);
        for (int k = 0; k < 4; ++k) {
          v[k] = TD3DTLVertex{};
          v[k].sx = cx + ((k & 1) ? Half : -Half);
          v[k].sy = cy + ((k & 2) ? Half : -Half);
          v[k].color = tint;
          v[k].tu = (k & 1) ? 1.0f : 0.0f;
          v[k].tv = (k & 2) ? 1.0f : 0.0f;
        }
        d3d->SetTexture(0, &texture);
        d3d->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, texture.Transparent() ? 1 : 0);
        d3d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
        d3d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
        d3d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
        d3d->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, D3DDP_WAIT);
      }
      device.PresentFrame();
      backend->Finish();
    }
    const double processMs = 1000.0 * double(std::clock() - started) / CLOCKS_PER_SEC;
    state.counters["process_cpu_ms"] = benchmark::Counter(processMs / double(state.iterations()));
    state.SetLabel(backend->RendererName());
  }
  SDL_DestroyWindow(window);
  SDL_Quit();
}

void BM_FrameSoftware(benchmark::State& state) { Frame(state, TSdlRendererChoice::Software); }
void BM_FrameOpenGL(benchmark::State& state) { Frame(state, TSdlRendererChoice::OpenGL); }

BENCHMARK(BM_FrameSoftware)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameOpenGL)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
