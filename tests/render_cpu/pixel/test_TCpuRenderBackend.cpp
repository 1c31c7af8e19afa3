#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "render/TDIB.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DDevice7.h"
#include "render/TDirect3DTexture2.h"
#include "render/TDirectDrawSurface.h"
#include "render/backends/cpu/TCpuRenderBackend.h"
#include "render/backends/sdl/TSdlWindowControl.h"
#include "render_cpu/CompositorFixtures.h"

namespace {

constexpr int Width = 120;
constexpr int Height = 90;

// The device over the compositor in an offscreen SDL window, as the scene
// would have it.
class CpuDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    window_ = SDL_CreateWindow("cpu", 0, 0, Width, Height, 0);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    control_ = std::make_unique<TSdlWindowControl>(window_);
    auto owned = std::make_unique<TCpuRenderBackend>(2);
    backend_ = owned.get();
    device_ = std::make_unique<TDXDraw>(std::move(owned));
    device_->SetOptions(SceneDeviceOptions);
    device_->SetControl(control_.get());
    // A picture with every alpha, made before the device exists, as the
    // scene makes its textures.
    dib_.SetSize(256, 256, 32);
    const auto texels = fixtures::BubbleTexels(256, 9);
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < 256; ++x) dib_.SetColor(x, y, texels->Pixels[size_t(y) * 256 + size_t(x)]);
    }
    texture_ = std::make_unique<TDirect3DTexture2>(*device_, &dib_, false);
    reference_ = fixtures::AsReference(*texels);
  }

  void TearDown() override {
    texture_.reset();
    device_.reset();
    control_.reset();
    if (window_) SDL_DestroyWindow(window_);
    SDL_Quit();
  }

  // Background, then a shadow and a tinted turned body, as one frame does.
  std::vector<uint32_t> DrawFrame() {
    TDirect3DDevice7* d3d = device_->D3DDevice7();
    d3d->Clear(TRect{0, 0, Width, Height}, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device_->Surface().BltFast(0, 0, background_, background_.ClientRect(), 0);
    std::vector<uint32_t> expected = background_pixels_;
    const uint32_t colors[2] = {0, 0xFF40C080};
    for (int i = 0; i < 2; ++i) {
      TD3DTLVertex v[4];
      fixtures::Square(v, 50.0f + 20 * (1 - i), 40.0f + 30 * (1 - i), 91, 0.3f, colors[i]);
      d3d->SetTexture(0, texture_.get());
      d3d->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, texture_->Transparent() ? 1 : 0);
      d3d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
      d3d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
      d3d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
      EXPECT_TRUE(d3d->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, D3DDP_WAIT));
      reference::Square(expected, Width, Height, v, reference_, TRect{0, 0, Width, Height});
    }
    return expected;
  }

  void MakeBackground() {
    background_.SetSurfaceSize(Width, Height);
    background_pixels_ = fixtures::Noise(Width, Height, 4);
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) background_.ScanLine(y)[x] = background_pixels_[size_t(y) * Width + size_t(x)];
    }
    background_.Changed();
  }

  std::vector<uint32_t> BackSurface() {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    EXPECT_TRUE(backend_->ReadBackSurface(pixels, width, height));
    EXPECT_EQ(width, Width);
    EXPECT_EQ(height, Height);
    return pixels;
  }

  SDL_Window* window_ = nullptr;
  std::unique_ptr<TSdlWindowControl> control_;
  TCpuRenderBackend* backend_ = nullptr;
  std::unique_ptr<TDXDraw> device_;
  TDIB dib_;
  std::unique_ptr<TDirect3DTexture2> texture_;
  reference::Texture reference_;
  TDirectDrawSurface background_;
  std::vector<uint32_t> background_pixels_;
};

TEST_F(CpuDevice, RunsAsASoftwareDeviceInSystemMemory) {
  device_->InitializeDevice();
  ASSERT_TRUE(device_->DeviceReady());
  EXPECT_FALSE(device_->NowOptions() & doHardware);
  EXPECT_TRUE(device_->NowOptions() & doSystemMemory);
  EXPECT_FALSE(texture_->Transparent());
  ASSERT_NE(texture_->Surface(), nullptr);
}

TEST_F(CpuDevice, AFrameEqualsTheReferenceAndReachesTheWindow) {
  device_->InitializeDevice();
  MakeBackground();
  const auto expected = DrawFrame();
  device_->PresentFrame();
  EXPECT_EQ(BackSurface(), expected);
  SDL_Surface* shown = SDL_GetWindowSurface(window_);
  ASSERT_NE(shown, nullptr);
  for (int y = 0; y < Height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(shown->pixels) + y * shown->pitch);
    for (int x = 0; x < Width; ++x) ASSERT_EQ(row[x] & 0xFFFFFF, expected[size_t(y) * Width + size_t(x)]) << x << "," << y;
  }
}

TEST_F(CpuDevice, LaterFramesSendOnlyTheirChangesAndTheWindowKeepsUp) {
  device_->InitializeDevice();
  MakeBackground();
  SDL_Surface* shown = SDL_GetWindowSurface(window_);
  ASSERT_NE(shown, nullptr);
  for (int frame = 0; frame < 30; ++frame) {
    DrawFrame();
    // The bubble moves between frames, as it does in the saver.
    TD3DTLVertex v[4];
    fixtures::Square(v, float(10 + frame * 3), 20.0f, 31, 0.0f, 0xFFFFFFFF);
    device_->D3DDevice7()->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, D3DDP_WAIT);
    device_->PresentFrame();
    const auto back = BackSurface();
    shown = SDL_GetWindowSurface(window_);
    for (int y = 0; y < Height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(shown->pixels) + y * shown->pitch);
      for (int x = 0; x < Width; ++x) {
        ASSERT_EQ(row[x] & 0xFFFFFF, back[size_t(y) * Width + size_t(x)]) << "frame " << frame << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(CpuDevice, TexturesComeBackAfterAFinaliseAndInitialiseCycle) {
  device_->InitializeDevice();
  MakeBackground();
  DrawFrame();
  device_->BeginMoveSize();
  EXPECT_FALSE(device_->DeviceReady());
  device_->EndMoveSize();
  ASSERT_TRUE(device_->DeviceReady());
  EXPECT_EQ(BackSurface(), std::vector<uint32_t>(size_t(Width) * Height, 0));
  const auto expected = DrawFrame();
  EXPECT_EQ(BackSurface(), expected);
}

TEST_F(CpuDevice, AnUploadWhileADrawWaitsLeavesThatDrawAsItWas) {
  device_->InitializeDevice();
  MakeBackground();
  const auto expected = DrawFrame();
  // New pixels reach the texture before the frame is shown.
  const std::vector<uint32_t> green(256 * 256, 0xFF00FF00);
  ASSERT_TRUE(backend_->UploadTexture(*texture_->Surface(), green.data(), 256 * 4, nullptr));
  EXPECT_EQ(BackSurface(), expected);
}

TEST_F(CpuDevice, AStraightSquareDrawnAgainAtItsSizeShowsItsTexturesNewPixels) {
  device_->InitializeDevice();
  MakeBackground();
  TDirect3DDevice7* d3d = device_->D3DDevice7();
  const auto drawSquare = [&] {
    TD3DTLVertex v[4];
    fixtures::Square(v, 60.0f, 45.0f, 71, 0.0f, 0xFFFFFFFF);
    d3d->SetTexture(0, texture_.get());
    d3d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    d3d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d3d->Clear(TRect{0, 0, Width, Height}, D3DCLEAR_TARGET, 0, 1.0f, 0);
    EXPECT_TRUE(d3d->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, D3DDP_WAIT));
    device_->PresentFrame();
    std::vector<uint32_t> expected(size_t(Width) * Height, 0);
    reference::Square(expected, Width, Height, v, reference_, TRect{0, 0, Width, Height});
    return expected;
  };
  EXPECT_EQ(BackSurface(), drawSquare());
  // The same size frame after frame, then the texture takes new pixels.
  for (int frame = 0; frame < 3; ++frame) drawSquare();
  std::vector<uint32_t> stripes(256 * 256);
  for (size_t i = 0; i < stripes.size(); ++i) stripes[i] = (i / 256) % 3 ? 0xFF2050F0 : 0x80FF8000;
  ASSERT_TRUE(backend_->UploadTexture(*texture_->Surface(), stripes.data(), 256 * 4, nullptr));
  reference_.Pixels = stripes;
  EXPECT_EQ(BackSurface(), drawSquare());
}

}  // namespace
