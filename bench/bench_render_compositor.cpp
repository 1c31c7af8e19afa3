#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "render/TDIB.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DDevice7.h"
#include "render/TDirect3DTexture2.h"
#include "render/TDirectDrawSurface.h"
#include "render/backends/cpu/TCpuRenderBackend.h"
#include "render/backends/sdl/TSdlRenderBackend.h"
#include "render/backends/sdl/TSdlWindowControl.h"

// The saver's heaviest frame at full HD, drawn the way the frame drawing
// does it: background copy, then per bubble a shadow, a tinted body, its
// picture (bubbles 1 to 10) and the front image, 100 bubbles, then the
// present. The same frame runs on the CPU compositor and on SDL's OpenGL and
// software renderers, so one run compares them.

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
constexpr int Bubbles = 100;
constexpr int Pictures = 10;
constexpr int BodySize = 182;
constexpr int ShadowX = 20;
constexpr int ShadowY = 30;
constexpr int TextureSize = 256;

enum class TBackendKind { Cpu, OpenGL, Software };
enum class TStyle { Sphere, Heart };

// A round image: `core` of the radius solid, fading to clear at the rim.
void FillRound(TDIB& dib, double core, uint32_t colour, int seed) {
  dib.SetSize(TextureSize, TextureSize, 32);
  for (int y = 0; y < TextureSize; ++y) {
    for (int x = 0; x < TextureSize; ++x) {
      const double dx = x + 0.5 - 128, dy = y + 0.5 - 128;
      const double r = std::sqrt(dx * dx + dy * dy) / 128.0;
      const double fade = r >= 1.0 ? 0.0 : r <= core ? 1.0 : (1.0 - r) / (1.0 - core);
      const uint32_t alpha = uint32_t(std::lround(fade * 255));
      const uint32_t rgb = colour ? colour : uint32_t((x * 7 + seed * 40) & 0xFF) << 16 | uint32_t((y * 5) & 0xFF) << 8 | 0x80;
      dib.SetColor(x, y, alpha << 24 | rgb);
    }
  }
}

std::unique_ptr<IRenderBackend> MakeBackend(TBackendKind kind) {
  switch (kind) {
    case TBackendKind::Cpu:
      return std::make_unique<TCpuRenderBackend>();
    case TBackendKind::OpenGL:
      return std::make_unique<TSdlRenderBackend>(TSdlRendererChoice::OpenGL);
    default:
      return std::make_unique<TSdlRenderBackend>(TSdlRendererChoice::Software);
  }
}

void Corners(TD3DTLVertex* v, float x, float y, int size, float angle, uint32_t color, bool round) {
  const float h = float(size / 2);
  const float c = std::cos(2.0f * float(M_PI) * angle), s = std::sin(2.0f * float(M_PI) * angle);
  const float local[4][2] = {{-h, -h}, {h, -h}, {-h, h}, {h, h}};
  for (int k = 0; k < 4; ++k) {
    const float sx = local[k][0] * c - local[k][1] * s + x;
    const float sy = local[k][0] * s + local[k][1] * c + y;
    v[k] = TD3DTLVertex{};
    v[k].sx = round ? std::nearbyint(sx) : std::trunc(sx);
    v[k].sy = round ? std::nearbyint(sy) : std::trunc(sy);
    v[k].color = color;
    v[k].tu = (k & 1) ? 1.0f : 0.0f;
    v[k].tv = (k & 2) ? 1.0f : 0.0f;
  }
}

void Draw(TDirect3DDevice7* d3d, TDirect3DTexture2& texture, const TD3DTLVertex* v) {
  d3d->SetTexture(0, &texture);
  d3d->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, texture.Transparent() ? 1 : 0);
  d3d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  d3d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  d3d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d3d->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, D3DDP_WAIT);
}

void Frame(benchmark::State& state, TBackendKind kind, TStyle style, int bubbles = Bubbles, int pictured = Pictures) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  const Uint32 flags = kind == TBackendKind::OpenGL ? SDL_WINDOW_OPENGL : 0;
  SDL_Window* window = SDL_CreateWindow("bench", 0, 0, ScreenWidth, ScreenHeight, flags);
  {
    TSdlWindowControl control(window);
    TDXDraw device(MakeBackend(kind));
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
      for (int x = 0; x < ScreenWidth; ++x) background.ScanLine(y)[x] = uint32_t(x * 2654435761u ^ y * 40503u) & 0xFFFFFF;
    }
    background.Changed();

    TDIB bodyDib, frontDib, shadowDib;
    FillRound(bodyDib, 0.2, 0xFFFFFF, 0);
    FillRound(frontDib, 0.0, 0xFFFFFF, 0);
    FillRound(shadowDib, 0.6, 0x000000, 0);
    TDirect3DTexture2 body(device, &bodyDib, false), front(device, &frontDib, false), shadow(device, &shadowDib, false);
    std::vector<TDIB> pictureDibs(Pictures);
    std::vector<std::unique_ptr<TDirect3DTexture2>> pictures;
    for (int i = 0; i < Pictures; ++i) {
      FillRound(pictureDibs[size_t(i)], 0.9, 0, i);
      pictures.push_back(std::make_unique<TDirect3DTexture2>(device, &pictureDibs[size_t(i)], false));
    }
    const bool heart = style == TStyle::Heart;
    const int pictureSize = heart ? 80 : 100;

    TD3DTLVertex v[4];
    int frame = 0;
    const std::clock_t started = std::clock();
    for (auto _ : state) {
      if (!device.DeviceReady()) continue;
      d3d->Clear(TRect{0, 0, device.SurfaceWidth(), device.SurfaceHeight()}, D3DCLEAR_TARGET, 0, 1.0f, 0);
      device.Surface().BltFast(0, 0, background, background.ClientRect(), 0);
      for (int i = 0; i < bubbles; ++i) {
        const float x = float((i * 197 + frame * 3) % ScreenWidth);
        const float y = float((i * 113 + frame * 2) % ScreenHeight);
        const float angle = heart ? 0.01f * float(i + frame) : 0.0f;
        const uint32_t tint = 0xFF000000u | (uint32_t(i * 0x030507 + 0x404040) & 0xFFFFFF);
        Corners(v, x, y, BodySize, angle, 0, false);
        for (auto& corner : v) {
          corner.sx += ShadowX;
          corner.sy += ShadowY;
        }
        Draw(d3d, shadow, v);
        Corners(v, x, y, BodySize, angle, tint, false);
        Draw(d3d, body, v);
        if (i < pictured) {
          TD3DTLVertex p[4];
          Corners(p, x, y, pictureSize, angle, 0xFFFFFFFF, true);
          Draw(d3d, *pictures[size_t(i)], p);
        }
        for (auto& corner : v) corner.color = 0xFFFFFFFF;
        Draw(d3d, front, v);
      }
      device.PresentFrame();
      if (kind != TBackendKind::Cpu) static_cast<TSdlRenderBackend&>(device.Backend()).Finish();
      ++frame;
    }
    const double processMs = 1000.0 * double(std::clock() - started) / CLOCKS_PER_SEC;
    state.counters["process_cpu_ms"] = benchmark::Counter(processMs / double(std::max<int64_t>(state.iterations(), 1)));
    if (kind == TBackendKind::Cpu) {
      state.SetLabel(static_cast<TCpuRenderBackend&>(device.Backend()).Description());
    } else {
      state.SetLabel(static_cast<TSdlRenderBackend&>(device.Backend()).RendererName());
    }
  }
  SDL_DestroyWindow(window);
  SDL_Quit();
}

BENCHMARK_CAPTURE(Frame, SphereCompositor, TBackendKind::Cpu, TStyle::Sphere)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Frame, SphereOpenGL, TBackendKind::OpenGL, TStyle::Sphere)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Frame, SphereSoftware, TBackendKind::Software, TStyle::Sphere)->Unit(benchmark::kMillisecond)->UseRealTime();
// The saver's default: ten bubbles without pictures, a frame light enough
// for one thread, where restoring the background under last frame's bubbles
// weighs about as much as drawing them.
BENCHMARK_CAPTURE(Frame, LightCompositor, TBackendKind::Cpu, TStyle::Sphere, 10, 0)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(Frame, HeartCompositor, TBackendKind::Cpu, TStyle::Heart)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Frame, HeartOpenGL, TBackendKind::OpenGL, TStyle::Heart)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Frame, HeartSoftware, TBackendKind::Software, TStyle::Heart)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
