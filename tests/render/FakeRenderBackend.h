#pragma once
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "render/IDrawControl.h"
#include "render/IRenderBackend.h"

// A backend that records what the device asks of it and obtains what a test
// tells it to.
class FakeRenderBackend : public IRenderBackend {
 public:
  struct Texture : IBackendTexture {
    Texture(FakeRenderBackend& owner, int w, int h, TTexturePixelFormat f)
        : Owner(owner), Width(w), Height(h), Format(f) {
      ++Owner.LiveTextures;
    }
    ~Texture() override { --Owner.LiveTextures; }
    FakeRenderBackend& Owner;
    int Width;
    int Height;
    TTexturePixelFormat Format;
    std::vector<uint8_t> Pixels;
    int Pitch = 0;
    int Uploads = 0;
  };

  // What the next CreateTarget obtains.
  TTargetResult Obtains;
  std::vector<TTexturePixelFormat> Formats;
  TTextureCaps Caps;
  std::vector<TDisplayMode> Modes;
  std::vector<TDisplayMode> SettableModes;
  bool Lost = false;
  bool RestoreWorks = true;

  std::vector<std::string> Calls;
  TTargetRequest LastRequest;
  TRect LastPresent;
  bool LastPresentWaited = false;
  int LiveTextures = 0;
  int Targets = 0;
  std::vector<TDisplayMode> TriedModes;

  std::vector<TDisplayMode> DisplayModes(void*) override { return Modes; }
  bool SetDisplayMode(void*, const TDisplayMode& mode) override {
    TriedModes.push_back(mode);
    for (const auto& m : SettableModes) {
      if (m == mode) return true;
    }
    return false;
  }
  TTargetResult CreateTarget(const TTargetRequest& request) override {
    Calls.push_back("CreateTarget");
    LastRequest = request;
    ++Targets;
    return Obtains;
  }
  void ReleaseTarget() override {
    Calls.push_back("ReleaseTarget");
    --Targets;
  }
  bool IsLost() override { return Lost; }
  bool Restore() override {
    Calls.push_back("Restore");
    if (RestoreWorks) Lost = false;
    return RestoreWorks;
  }
  std::vector<TTexturePixelFormat> TextureFormats() override { return Formats; }
  TTextureCaps TextureCaps() override { return Caps; }
  std::unique_ptr<IBackendTexture> CreateTexture(int w, int h, const TTexturePixelFormat& f) override {
    return std::make_unique<Texture>(*this, w, h, f);
  }
  bool UploadTexture(IBackendTexture& texture, const void* pixels, int pitch, const uint32_t*) override {
    auto& t = static_cast<Texture&>(texture);
    t.Pixels.assign(static_cast<const uint8_t*>(pixels), static_cast<const uint8_t*>(pixels) + pitch * t.Height);
    t.Pitch = pitch;
    ++t.Uploads;
    return true;
  }
  bool Clear(const TRect&, uint32_t) override {
    Calls.push_back("Clear");
    return true;
  }
  bool CopyPlainSurface(const TPlainPixels&, const TRect&, int, int) override {
    Calls.push_back("Copy");
    return true;
  }
  void SetViewport(const TRect&) override {}
  bool DrawTriangleStrip(const TD3DTLVertex*, size_t, IBackendTexture*, const TRenderStates&) override {
    Calls.push_back("Draw");
    return true;
  }
  bool Present(const TRect& dest, bool waitVBlank) override {
    Calls.push_back("Present");
    LastPresent = dest;
    LastPresentWaited = waitVBlank;
    return true;
  }
};

// A control of a given size that sits on a form.
class FakeControl : public IDrawControl {
 public:
  int Width = 800;
  int Height = 600;
  bool Form = true;
  bool Active = true;
  // How often the size was asked for: a window system may answer slowly.
  mutable int SizeQueries = 0;
  int ClientWidth() const override { return ++SizeQueries, Width; }
  int ClientHeight() const override { return ++SizeQueries, Height; }
  bool HasParentForm() const override { return Form; }
  bool IsFormActive() const override { return Active; }
  void* NativeWindow() const override { return const_cast<FakeControl*>(this); }
};

// Formats a texture test can offer, by their channel bits.
inline TTexturePixelFormat RgbFormat(uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a, uint32_t id) {
  TTexturePixelFormat f;
  f.BitCount = bits;
  f.RedMask = r;
  f.GreenMask = g;
  f.BlueMask = b;
  f.AlphaMask = a;
  f.BackendFormat = id;
  return f;
}
inline TTexturePixelFormat Format565(uint32_t id = 565) { return RgbFormat(16, 0xF800, 0x07E0, 0x001F, 0, id); }
inline TTexturePixelFormat Format1555(uint32_t id = 1555) { return RgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0x8000, id); }
inline TTexturePixelFormat Format4444(uint32_t id = 4444) { return RgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000, id); }
inline TTexturePixelFormat FormatX888(uint32_t id = 888) { return RgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0, id); }
inline TTexturePixelFormat Format8888(uint32_t id = 8888) {
  return RgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, id);
}
inline TTexturePixelFormat FormatPalette(uint32_t indexBits, uint32_t id) {
  TTexturePixelFormat f;
  f.BitCount = indexBits;
  f.PaletteBits = indexBits;
  f.BackendFormat = id;
  return f;
}
