#pragma once
#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/IRenderBackend.h"

// Which SDL renderer stands in for the device.
enum class TSdlRendererChoice {
  // An accelerated renderer (OpenGL) when the device asks for hardware and
  // one can be made, the software renderer otherwise.
  Auto,
  Software,
  OpenGL,
};

// The device's backend over SDL_Renderer. The back surface is a render
// target texture of the surface size, so it keeps its pixels between frames
// and presents into the window with centring or stretching. The native
// window a control hands over is an SDL_Window*. SDL's video subsystem must
// be initialised by whoever owns the window.
class TSdlRenderBackend : public IRenderBackend {
 public:
  explicit TSdlRenderBackend(TSdlRendererChoice choice = TSdlRendererChoice::Auto);
  ~TSdlRenderBackend() override;
  TSdlRenderBackend(const TSdlRenderBackend&) = delete;
  TSdlRenderBackend& operator=(const TSdlRenderBackend&) = delete;

  std::vector<TDisplayMode> DisplayModes(void* nativeWindow) override;
  bool SetDisplayMode(void* nativeWindow, const TDisplayMode& mode) override;
  TTargetResult CreateTarget(const TTargetRequest& request) override;
  void ReleaseTarget() override;
  bool IsLost() override;
  bool Restore() override;
  std::vector<TTexturePixelFormat> TextureFormats() override;
  TTextureCaps TextureCaps() override;
  std::unique_ptr<IBackendTexture> CreateTexture(int width, int height, const TTexturePixelFormat& format) override;
  bool UploadTexture(IBackendTexture& texture, const void* pixels, int pitch, const uint32_t* palette) override;
  bool Clear(const TRect& rect, uint32_t color) override;
  bool CopyPlainSurface(const TPlainPixels& source, const TRect& sourceRect, int x, int y) override;
  void SetViewport(const TRect& viewport) override;
  bool DrawTriangleStrip(const TD3DTLVertex* vertices, size_t count, IBackendTexture* texture,
                         const TRenderStates& states) override;
  bool Present(const TRect& dest, bool waitVBlank) override;

  // The back surface's pixels as 0xAARRGGBB, top row first; false when there
  // is no target.
  bool ReadBackSurface(std::vector<uint32_t>& pixels, int& width, int& height);
  // Waits until every drawing call so far has reached the back surface.
  bool Finish();
  // The SDL name of the renderer in use ("opengl", "software"), empty when none.
  std::string RendererName() const;

 private:
  struct TPlainCopy {
    uint64_t Id = 0;
    uint64_t Version = 0;
    int Width = 0;
    int Height = 0;
    SDL_Texture* Texture = nullptr;
  };

  static int WatchEvents(void* self, SDL_Event* event);
  SDL_Renderer* MakeRenderer(SDL_Window* window, bool hardware);
  bool MakeTargetTexture();
  void DropPlainCopies();
  void UseClip(bool viewportClip, bool force = false);
  void ReleaseRenderer();

  TSdlRendererChoice choice_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* target_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  bool fullScreen_ = false;
  bool watching_ = false;
  bool vsync_ = false;
  bool clipApplied_ = false;
  // SDL's software renderer, which needs triangles one at a time.
  bool software_ = false;
  TRect viewport_;
  std::atomic<bool> lost_{false};
  std::atomic<bool> deviceReset_{false};
  // Textures made on a renderer check this before they destroy themselves,
  // so none outlives its renderer's release into a double free.
  std::shared_ptr<SDL_Renderer*> rendererLife_;
  std::vector<TPlainCopy> plainCopies_;
  std::vector<SDL_Vertex> vertices_;
  std::vector<int> indices_;
};
