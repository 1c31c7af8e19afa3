#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "render/TDIB.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DDevice7.h"
#include "render/TDirect3DTexture2.h"
#include "render/TDirectDrawSurface.h"
#include "render/backends/sdl/TSdlRenderBackend.h"
#include "render/backends/sdl/TSdlWindowControl.h"
#include "render/BorderedPicture.h"

namespace {

constexpr int SurfaceWidth = 320;
constexpr int SurfaceHeight = 240;
// Both renderers round their blend and modulation arithmetic a little
// differently from exact division; a few steps per channel cover it.
constexpr int Tolerance = 3;
constexpr float Pi = 3.14159265f;

struct TRgb {
  int R, G, B;
};

TRgb Channels(uint32_t argb) { return TRgb{int((argb >> 16) & 0xFF), int((argb >> 8) & 0xFF), int(argb & 0xFF)}; }

// What a square should leave on the background: texel x diffuse / 255,
// blended by the texel's alpha.
TRgb Expected(uint32_t texel, uint32_t diffuse, uint32_t background) {
  const double alpha = ((texel >> 24) & 0xFF) / 255.0;
  const TRgb t = Channels(texel), d = Channels(diffuse), b = Channels(background);
  const auto one = [&](int tc, int dc, int bc) { return int(std::lround(tc * dc / 255.0 * alpha + bc * (1 - alpha))); };
  return TRgb{one(t.R, d.R, b.R), one(t.G, d.G, b.G), one(t.B, d.B, b.B)};
}

::testing::AssertionResult Near(uint32_t actual, TRgb expected) {
  const TRgb a = Channels(actual);
  if (std::abs(a.R - expected.R) <= Tolerance && std::abs(a.G - expected.G) <= Tolerance &&
      std::abs(a.B - expected.B) <= Tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "got (" << a.R << ", " << a.G << ", " << a.B << "), expected ("
                                       << expected.R << ", " << expected.G << ", " << expected.B << ")";
}

// A square of the given half size turned clockwise by `turns` about (cx, cy),
// in strip order: top-left, top-right, bottom-left, bottom-right.
void Square(TD3DTLVertex (&v)[4], float cx, float cy, float half, float turns, uint32_t diffuse) {
  const float c = std::cos(2 * Pi * turns), s = std::sin(2 * Pi * turns);
  const float local[4][2] = {{-half, -half}, {half, -half}, {-half, half}, {half, half}};
  for (int k = 0; k < 4; ++k) {
    v[k] = TD3DTLVertex{};
    v[k].sx = local[k][0] * c - local[k][1] * s + cx;
    v[k].sy = local[k][0] * s + local[k][1] * c + cy;
    v[k].color = diffuse;
    v[k].tu = (k == 1 || k == 3) ? 1.0f : 0.0f;
    v[k].tv = (k == 2 || k == 3) ? 1.0f : 0.0f;
  }
}

class SdlPixels : public ::testing::TestWithParam<TSdlRendererChoice> {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    const Uint32 flags = GetParam() == TSdlRendererChoice::OpenGL ? SDL_WINDOW_OPENGL : 0;
    window = SDL_CreateWindow("pixels", 0, 0, SurfaceWidth, SurfaceHeight, flags);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    control = std::make_unique<TSdlWindowControl>(window);
    auto owned = std::make_unique<TSdlRenderBackend>(GetParam());
    backend = owned.get();
    device = std::make_unique<TDXDraw>(std::move(owned));
    device->SetOptions(SceneDeviceOptions);
    device->SetControl(control.get());
  }

  void TearDown() override {
    device.reset();
    control.reset();
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
  }

  void Initialise() {
    device->InitializeDevice();
    ASSERT_TRUE(device->DeviceReady());
    d3d = device->D3DDevice7();
    ASSERT_NE(d3d, nullptr);
    if (GetParam() == TSdlRendererChoice::Software) {
      EXPECT_EQ(backend->RendererName(), "software");
      EXPECT_FALSE(device->NowOptions() & doHardware);
      EXPECT_TRUE(device->NowOptions() & doSystemMemory);
    } else {
      EXPECT_EQ(backend->RendererName(), "opengl");
    }
    EXPECT_FALSE(device->NowOptions() & doZBuffer);
  }

  // The frame's preamble: clear, then the background copied 1:1.
  void DrawBackground(const TDirectDrawSurface& background) {
    d3d->Clear(TRect{0, 0, device->SurfaceWidth(), device->SurfaceHeight()}, D3DCLEAR_TARGET, 0, 1.0f, 0);
    ASSERT_TRUE(device->Surface().BltFast(0, 0, background, background.ClientRect(), 0));
  }

  void DrawSquare(TDirect3DTexture2& texture, float cx, float cy, float half, float turns, uint32_t diffuse) {
    ASSERT_TRUE(d3d->SetTexture(0, &texture));
    d3d->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, texture.Transparent() ? 1 : 0);
    d3d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    d3d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    TD3DTLVertex v[4];
    Square(v, cx, cy, half, turns, diffuse);
    ASSERT_TRUE(d3d->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, D3DDP_WAIT));
  }

  uint32_t At(int x, int y) {
    if (pixels.empty()) {
      int w = 0, h = 0;
      EXPECT_TRUE(backend->ReadBackSurface(pixels, w, h));
      EXPECT_EQ(w, SurfaceWidth);
      EXPECT_EQ(h, SurfaceHeight);
    }
    return pixels[size_t(y) * SurfaceWidth + x];
  }

  // Saves what was read back, for looking at, when TESSALY_PIXEL_DUMP names a folder.
  void Dump(const std::string& name) {
    const char* folder = std::getenv("TESSALY_PIXEL_DUMP");
    if (!folder || pixels.empty()) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), SurfaceWidth, SurfaceHeight, 32,
                                                              SurfaceWidth * 4, SDL_PIXELFORMAT_ARGB8888);
    SDL_SaveBMP(surface, (std::string(folder) + "/" + name + ".bmp").c_str());
    SDL_FreeSurface(surface);
  }

  SDL_Window* window = nullptr;
  std::unique_ptr<TSdlWindowControl> control;
  TSdlRenderBackend* backend = nullptr;
  std::unique_ptr<TDXDraw> device;
  TDirect3DDevice7* d3d = nullptr;
  std::vector<uint32_t> pixels;
};

// A background of distinct pixels, so any shift or scaling shows.
void FillPattern(TDirectDrawSurface& surface) {
  for (int y = 0; y < surface.Height(); ++y) {
    uint32_t* row = surface.ScanLine(y);
    for (int x = 0; x < surface.Width(); ++x) row[x] = (uint32_t(x * 7 & 0xFF) << 16) | (uint32_t(y * 5 & 0xFF) << 8) | ((x + y) & 0xFF);
  }
  surface.Changed();
}

TEST_P(SdlPixels, BltFastCopiesOneToOne) {
  Initialise();
  TDirectDrawSurface background;
  background.SetSurfaceSize(SurfaceWidth, SurfaceHeight);
  FillPattern(background);
  DrawBackground(background);
  // A part copied to an offset lands there pixel for pixel.
  ASSERT_TRUE(device->Surface().BltFast(200, 150, background, TRect{10, 20, 60, 50}, 0));
  int wrong = 0;
  for (int y = 0; y < SurfaceHeight; ++y) {
    for (int x = 0; x < SurfaceWidth; ++x) {
      const bool moved = x >= 200 && x < 250 && y >= 150 && y < 180;
      const uint32_t want = moved ? background.Pixel(x - 190, y - 130) : background.Pixel(x, y);
      if ((At(x, y) & 0xFFFFFF) != want) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_P(SdlPixels, TintedBlendedTurnedSquareMatchesTheFormula) {
  Initialise();
  TDirectDrawSurface background;
  background.SetSurfaceSize(SurfaceWidth, SurfaceHeight);
  const uint32_t backColor = 0x00406080;
  background.FillColor(backColor);

  // Four quadrants of different colour and alpha show where each corner went.
  TDIB dib;
  dib.SetSize(256, 256, 32);
  const uint32_t quadrant[4] = {0xC0FFFFFF, 0x80FF8040, 0x40C0C0FF, 0xFF20E060};
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) dib.SetColor(x, y, quadrant[(y / 128) * 2 + x / 128]);
  }
  TDirect3DTexture2 texture(*device, &dib, false);
  EXPECT_EQ(__builtin_popcount(texture.Format().AlphaMask), 8);

  DrawBackground(background);
  const uint32_t tint = 0xFFFF8040;
  const float cx = 160, cy = 120, half = 91;
  DrawSquare(texture, cx, cy, half, 0.25f, tint);
  device->PresentFrame();

  // A quarter turn clockwise: the texture's top-left quadrant is now top-right.
  const int off = 45;
  EXPECT_TRUE(Near(At(cx + off, cy - off), Expected(quadrant[0], tint, backColor))) << "top-left texel";
  EXPECT_TRUE(Near(At(cx + off, cy + off), Expected(quadrant[1], tint, backColor))) << "top-right texel";
  EXPECT_TRUE(Near(At(cx - off, cy - off), Expected(quadrant[2], tint, backColor))) << "bottom-left texel";
  EXPECT_TRUE(Near(At(cx - off, cy + off), Expected(quadrant[3], tint, backColor))) << "bottom-right texel";
  // Outside the square the background is untouched.
  EXPECT_EQ(At(10, 10) & 0xFFFFFF, backColor);
  EXPECT_EQ(At(cx + half + 5, cy) & 0xFFFFFF, backColor);
  Dump(std::string("turned_square_") + backend->RendererName());

  // An eighth of a turn leaves the square's corners on the axes.
  pixels.clear();
  DrawBackground(background);
  DrawSquare(texture, cx, cy, 60, 0.125f, 0xFFFFFFFF);
  EXPECT_EQ(At(cx + 50, cy - 50) & 0xFFFFFF, backColor);
  EXPECT_TRUE(Near(At(cx, cy - 70), Expected(quadrant[0], 0xFFFFFFFF, backColor)));
}

TEST_P(SdlPixels, AlphaComesFromTheTextureAlone) {
  Initialise();
  TDirectDrawSurface background;
  background.SetSurfaceSize(SurfaceWidth, SurfaceHeight);
  background.FillColor(0x00305070);

  TDIB opaque;
  opaque.SetSize(256, 256, 24);
  opaque.Fill(0x00C08040);
  TDIB clear;
  clear.SetSize(256, 256, 32);
  clear.Fill(0x00FFFFFF);
  TDirect3DTexture2 opaqueTexture(*device, &opaque, false);
  TDirect3DTexture2 clearTexture(*device, &clear, false);

  DrawBackground(background);
  // Vertex alpha 0 in the diffuse colour does not make the square clear.
  DrawSquare(opaqueTexture, 80, 120, 50, 0, 0x00FFFFFF);
  DrawSquare(clearTexture, 240, 120, 50, 0, 0xFFFFFFFF);
  EXPECT_TRUE(Near(At(80, 120), TRgb{0xC0, 0x80, 0x40}));
  EXPECT_EQ(At(240, 120) & 0xFFFFFF, 0x305070u);
  // A black tint draws the texture black, as opaque as its alpha.
  DrawSquare(opaqueTexture, 160, 60, 20, 0, 0xFF000000);
  pixels.clear();
  EXPECT_TRUE(Near(At(160, 60), TRgb{0, 0, 0}));
}

TEST_P(SdlPixels, TexturesUploadAgainAfterLoss) {
  TDIB dib;
  dib.SetSize(256, 256, 24);
  dib.Fill(0x0000FF00);
  // Made before the device is up: it gets its pixels at initialisation.
  TDirect3DTexture2 texture(*device, &dib, false);
  EXPECT_EQ(texture.Surface(), nullptr);
  Initialise();
  EXPECT_FALSE(texture.NeedsLoad());

  // A changed bitmap shows only after the next restore.
  dib.Fill(0x000000FF);
  SDL_Event reset{};
  reset.type = SDL_RENDER_TARGETS_RESET;
  SDL_PushEvent(&reset);
  ASSERT_TRUE(device->DeviceReady());
  TDirectDrawSurface background;
  background.SetSurfaceSize(SurfaceWidth, SurfaceHeight);
  DrawBackground(background);
  DrawSquare(texture, 160, 120, 50, 0, 0xFFFFFFFF);
  EXPECT_TRUE(Near(At(160, 120), TRgb{0, 0, 255}));
}

TEST_P(SdlPixels, TurnedPicturesShowTheirOwnEdgesAndNothingBeyond) {
  Initialise();
  TDirectDrawSurface background;
  background.SetSurfaceSize(SurfaceWidth, SurfaceHeight);
  background.FillColor(bordered::Background);
  TDIB dib;
  dib.SetSize(bordered::Size, bordered::Size, 32);
  for (int y = 0; y < bordered::Size; ++y) {
    for (int x = 0; x < bordered::Size; ++x) dib.SetColor(x, y, bordered::Texel(x, y));
  }
  TDirect3DTexture2 texture(*device, &dib, false);
  for (int size : {49, 80, 128}) {
    for (int step = 0; step < 24; ++step) {
      const float turns = float(step) / 24.0f + 0.003f * float(size % 7);
      pixels.clear();
      DrawBackground(background);
      ASSERT_TRUE(d3d->SetTexture(0, &texture));
      d3d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
      d3d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
      d3d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
      TD3DTLVertex v[4];
      bordered::Square(v, 160.0f, 120.0f, size, turns);
      ASSERT_TRUE(d3d->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, D3DDP_WAIT));
      At(0, 0);
      EXPECT_EQ(bordered::Stray(pixels, SurfaceWidth, SurfaceHeight, v), "")
          << "size " << size << ", " << turns << " turns";
    }
  }
}

std::string RendererLabel(const ::testing::TestParamInfo<TSdlRendererChoice>& info) {
  return info.param == TSdlRendererChoice::Software ? "Software" : "OpenGL";
}

INSTANTIATE_TEST_SUITE_P(Renderers, SdlPixels,
                         ::testing::Values(TSdlRendererChoice::Software, TSdlRendererChoice::OpenGL), RendererLabel);

}  // namespace
