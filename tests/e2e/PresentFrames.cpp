// Draws frames of the saver's kind through the device over the CPU
// compositor in an X11 window: a background copied again each frame,
// bubbles with shadows that move, overlap, turn and leave the window, some
// frames drawn over the last without the background. After every present
// the window is read back and must show exactly the frame drawn: a pixel
// that changed but was left out of what the present sent shows last
// frame's colour. Prints what differs and exits 1 when something does.
#include <SDL.h>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "render/TDIB.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DDevice7.h"
#include "render/TDirect3DTexture2.h"
#include "render/TDirectDrawSurface.h"
#include "render/backends/cpu/TCpuRenderBackend.h"
#include "render/backends/sdl/TSdlWindowControl.h"
#include "render_cpu/CompositorFixtures.h"

// Last: Xlib's macros (None, Success, Status) would clash with the names above.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int Width = 480;
constexpr int Height = 320;
constexpr int Frames = 40;

struct TBubble {
  float X, Y, Dx, Dy;
  int Size;
  bool Turned;
};

Window NativeWindow(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 ? info.info.x11.window : 0;
}

// Compares what the server shows in the window with the frame drawn.
bool WindowShows(Display* display, Window window, const std::vector<uint32_t>& frame, int index) {
  XImage* image = XGetImage(display, window, 0, 0, Width, Height, AllPlanes, ZPixmap);
  if (!image) {
    std::fprintf(stderr, "frame %d: cannot read the window back\n", index);
    return false;
  }
  int wrong = 0;
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      const uint32_t shown = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
      const uint32_t drawn = frame[size_t(y) * Width + size_t(x)] & 0xFFFFFF;
      if (shown != drawn && wrong++ < 5) {
        std::fprintf(stderr, "frame %d: (%d, %d) shows %06X, drawn %06X\n", index, x, y, shown, drawn);
      }
    }
  }
  XDestroyImage(image);
  if (wrong > 0) std::fprintf(stderr, "frame %d: %d pixels wrong\n", index, wrong);
  return wrong == 0;
}

std::unique_ptr<TDirect3DTexture2> MakeTexture(TDXDraw& device, TDIB& dib, uint32_t seed) {
  const auto texels = fixtures::BubbleTexels(128, seed);
  dib.SetSize(128, 128, 32);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) dib.SetColor(x, y, texels->Pixels[size_t(y) * 128 + size_t(x)]);
  }
  return std::make_unique<TDirect3DTexture2>(device, &dib, false);
}

void DrawSquare(TDirect3DDevice7& d3d, TDirect3DTexture2& texture, const TBubble& b, float dx, float dy, float angle,
                uint32_t color) {
  TD3DTLVertex v[4];
  fixtures::Square(v, b.X + dx, b.Y + dy, b.Size, angle, color);
  d3d.SetTexture(0, &texture);
  d3d.SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  d3d.SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  d3d.SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d3d.DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, D3DDP_WAIT);
}

bool ShowFrames(SDL_Window* window, Display* display) {
  TSdlWindowControl control(window);
  auto owned = std::make_unique<TCpuRenderBackend>(2);
  TCpuRenderBackend& backend = *owned;
  TDXDraw device(std::move(owned));
  device.SetOptions(SceneDeviceOptions);
  device.SetControl(&control);
  TDIB shadowDib, bodyDib, frontDib;
  auto shadow = MakeTexture(device, shadowDib, 1);
  auto body = MakeTexture(device, bodyDib, 2);
  auto front = MakeTexture(device, frontDib, 3);
  device.InitializeDevice();
  if (!device.DeviceReady()) {
    std::fprintf(stderr, "the device is not ready\n");
    return false;
  }
  TDirectDrawSurface background;
  background.SetSurfaceSize(Width, Height);
  const auto noise = fixtures::Noise(Width, Height, 4);
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) background.ScanLine(y)[x] = noise[size_t(y) * Width + size_t(x)];
  }
  background.Changed();

  std::mt19937 random(23);
  std::vector<TBubble> bubbles;
  for (int i = 0; i < 12; ++i) {
    bubbles.push_back(TBubble{float(random() % Width), float(random() % Height), float(int(random() % 17) - 8),
                              float(int(random() % 17) - 8), 50 + int(random() % 70), i % 4 == 0});
  }
  const Window native = NativeWindow(window);
  bool right = true;
  for (int frame = 0; frame < Frames && right; ++frame) {
    TDirect3DDevice7* d3d = device.D3DDevice7();
    if (frame % 9 != 8) {
      d3d->Clear(TRect{0, 0, Width, Height}, D3DCLEAR_TARGET, 0, 1.0f, 0);
      device.Surface().BltFast(0, 0, background, background.ClientRect(), 0);
    }
    for (TBubble& b : bubbles) {
      b.X += b.Dx;
      b.Y += b.Dy;
      if (b.X < -100 || b.X > Width + 100) b.Dx = -b.Dx;
      if (b.Y < -100 || b.Y > Height + 100) b.Dy = -b.Dy;
      const float angle = b.Turned ? 0.03f * float(frame) : 0.0f;
      DrawSquare(*d3d, *shadow, b, 10, 12, angle, 0xFF000000u);
      DrawSquare(*d3d, *body, b, 0, 0, angle, 0xFF000000u | (random() & 0xFFFFFF));
      if (b.Turned) DrawSquare(*d3d, *front, b, 0, 0, angle, 0xFFFFFFFFu);
    }
    device.PresentFrame();
    std::vector<uint32_t> drawn;
    int width = 0, height = 0;
    if (!backend.ReadBackSurface(drawn, width, height) || width != Width || height != Height) {
      std::fprintf(stderr, "frame %d: no back surface of %d x %d\n", frame, Width, Height);
      return false;
    }
    right = WindowShows(display, native, drawn, frame);
  }
  return right;
}

}  // namespace

int main() {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "no video: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window = SDL_CreateWindow("present frames", 0, 0, Width, Height, SDL_WINDOW_SHOWN);
  Display* display = XOpenDisplay(nullptr);
  if (!window || !display) {
    std::fprintf(stderr, "no window or display\n");
    return 1;
  }
  const bool right = ShowFrames(window, display);
  XCloseDisplay(display);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return right ? 0 : 1;
}
