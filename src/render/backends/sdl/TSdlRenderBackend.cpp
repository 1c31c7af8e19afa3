#include "render/backends/sdl/TSdlRenderBackend.h"

#include <algorithm>

#include "render/backends/sdl/SdlDisplayModes.h"

namespace {

constexpr const char* OpenGLDriverName = "opengl";
constexpr const char* SoftwareDriverName = "software";
// Pixels of plain surfaces: 0x00RRGGBB, the top byte unused.
constexpr Uint32 PlainFormat = SDL_PIXELFORMAT_RGB888;
constexpr Uint32 TargetFormat = SDL_PIXELFORMAT_ARGB8888;
// Plain surfaces whose copies are kept on the renderer; the frame only ever
// copies the background, the rest is headroom for a change of background.
constexpr size_t MaxPlainCopies = 2;

class TSdlTexture : public IBackendTexture {
 public:
  TSdlTexture(SDL_Texture* texture, std::weak_ptr<SDL_Renderer*> life) : texture_(texture), life_(std::move(life)) {}
  ~TSdlTexture() override {
    if (!life_.expired()) SDL_DestroyTexture(texture_);
  }
  TSdlTexture(const TSdlTexture&) = delete;
  TSdlTexture& operator=(const TSdlTexture&) = delete;
  SDL_Texture* Texture() const { return texture_; }

 private:
  SDL_Texture* texture_;
  std::weak_ptr<SDL_Renderer*> life_;
};

int DriverIndex(const char* name) {
  const int count = SDL_GetNumRenderDrivers();
  for (int i = 0; i < count; ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && SDL_strcmp(info.name, name) == 0) return i;
  }
  return -1;
}

SDL_BlendFactor BlendFactor(uint32_t factor) {
  switch (factor) {
    case D3DBLEND_ZERO:
      return SDL_BLENDFACTOR_ZERO;
    case D3DBLEND_SRCCOLOR:
      return SDL_BLENDFACTOR_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return SDL_BLENDFACTOR_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
      return SDL_BLENDFACTOR_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
      return SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA;
    default:
      return SDL_BLENDFACTOR_ONE;
  }
}

SDL_BlendMode BlendMode(const TRenderStates& states) {
  if (!states.AlphaBlendEnable) return SDL_BLENDMODE_NONE;
  if (states.SrcBlend == D3DBLEND_SRCALPHA && states.DestBlend == D3DBLEND_INVSRCALPHA) return SDL_BLENDMODE_BLEND;
  return SDL_ComposeCustomBlendMode(BlendFactor(states.SrcBlend), BlendFactor(states.DestBlend),
                                    SDL_BLENDOPERATION_ADD, SDL_BLENDFACTOR_ONE,
                                    SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA, SDL_BLENDOPERATION_ADD);
}

SDL_Rect ToSdl(const TRect& rect) { return SDL_Rect{rect.Left, rect.Top, rect.Width(), rect.Height()}; }

}  // namespace

TSdlRenderBackend::TSdlRenderBackend(TSdlRendererChoice choice) : choice_(choice) {}

TSdlRenderBackend::~TSdlRenderBackend() { ReleaseTarget(); }

std::vector<TDisplayMode> TSdlRenderBackend::DisplayModes(void* nativeWindow) {
  return ListSdlDisplayModes(static_cast<SDL_Window*>(nativeWindow));
}

bool TSdlRenderBackend::SetDisplayMode(void* nativeWindow, const TDisplayMode& wanted) {
  auto* window = static_cast<SDL_Window*>(nativeWindow);
  if (!SwitchSdlDisplayMode(window, wanted)) return false;
  window_ = window;
  fullScreen_ = true;
  return true;
}

SDL_Renderer* TSdlRenderBackend::MakeRenderer(SDL_Window* window, bool hardware) {
  // Only SDL is drawn through, so batching the draws is safe.
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  const Uint32 targetFlag = SDL_RENDERER_TARGETTEXTURE;
  if (choice_ == TSdlRendererChoice::OpenGL) {
    return SDL_CreateRenderer(window, DriverIndex(OpenGLDriverName), SDL_RENDERER_ACCELERATED | targetFlag);
  }
  if (choice_ == TSdlRendererChoice::Auto && hardware) {
    const int index = DriverIndex(OpenGLDriverName);
    if (index >= 0) {
      if (SDL_Renderer* renderer = SDL_CreateRenderer(window, index, SDL_RENDERER_ACCELERATED | targetFlag)) {
        return renderer;
      }
    }
  }
  return SDL_CreateRenderer(window, DriverIndex(SoftwareDriverName), SDL_RENDERER_SOFTWARE | targetFlag);
}

bool TSdlRenderBackend::MakeTargetTexture() {
  if (target_) SDL_DestroyTexture(target_);
  target_ = SDL_CreateTexture(renderer_, TargetFormat, SDL_TEXTUREACCESS_TARGET, width_, height_);
  if (!target_) return false;
  SDL_SetTextureBlendMode(target_, SDL_BLENDMODE_NONE);
  SDL_SetTextureScaleMode(target_, SDL_ScaleModeNearest);
  if (SDL_SetRenderTarget(renderer_, target_) != 0) return false;
  UseClip(true, true);
  return true;
}

TTargetResult TSdlRenderBackend::CreateTarget(const TTargetRequest& request) {
  ReleaseRenderer();
  TTargetResult result;
  auto* window = static_cast<SDL_Window*>(request.NativeWindow);
  if (!window) {
    result.Failure = TTargetFailure::PrimarySurface;
    return result;
  }
  window_ = window;
  fullScreen_ = fullScreen_ && request.FullScreen;
  renderer_ = MakeRenderer(window, request.Hardware && !request.SystemMemory);
  if (!renderer_) {
    result.Failure = TTargetFailure::PrimarySurface;
    return result;
  }
  rendererLife_ = std::make_shared<SDL_Renderer*>(renderer_);
  width_ = request.Width;
  height_ = request.Height;
  viewport_ = TRect{0, 0, width_, height_};
  lost_ = false;
  deviceReset_ = false;
  SDL_AddEventWatch(&TSdlRenderBackend::WatchEvents, this);
  watching_ = true;
  if (!MakeTargetTexture()) {
    result.Failure = TTargetFailure::Surface;
    return result;
  }
  Clear(viewport_, 0);

  SDL_RendererInfo info;
  SDL_GetRendererInfo(renderer_, &info);
  result.Hardware = (info.flags & SDL_RENDERER_ACCELERATED) != 0;
  software_ = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
  // The software renderer keeps every surface in system memory.
  result.SystemMemory = !result.Hardware;
  result.ZBuffer = false;
  return result;
}

void TSdlRenderBackend::ReleaseTarget() {
  ReleaseRenderer();
  if (window_ && fullScreen_) SDL_SetWindowFullscreen(window_, 0);
  fullScreen_ = false;
  window_ = nullptr;
}

void TSdlRenderBackend::ReleaseRenderer() {
  if (watching_) SDL_DelEventWatch(&TSdlRenderBackend::WatchEvents, this);
  watching_ = false;
  DropPlainCopies();
  rendererLife_.reset();
  if (target_) SDL_DestroyTexture(target_);
  target_ = nullptr;
  if (renderer_) SDL_DestroyRenderer(renderer_);
  renderer_ = nullptr;
  vsync_ = false;
  clipApplied_ = false;
}

int TSdlRenderBackend::WatchEvents(void* self, SDL_Event* event) {
  auto* backend = static_cast<TSdlRenderBackend*>(self);
  if (event->type == SDL_RENDER_TARGETS_RESET) backend->lost_ = true;
  if (event->type == SDL_RENDER_DEVICE_RESET) {
    backend->deviceReset_ = true;
    backend->lost_ = true;
  }
  return 0;
}

bool TSdlRenderBackend::IsLost() { return !renderer_ || lost_; }

bool TSdlRenderBackend::Restore() {
  if (!renderer_) return false;
  // The renderer keeps its texture objects through both resets; only their
  // contents are gone, and the device has every owner upload again.
  DropPlainCopies();
  if (deviceReset_ || !target_) {
    if (!MakeTargetTexture()) return false;
  } else if (SDL_SetRenderTarget(renderer_, target_) != 0) {
    return false;
  }
  lost_ = false;
  deviceReset_ = false;
  return true;
}

std::vector<TTexturePixelFormat> TSdlRenderBackend::TextureFormats() {
  std::vector<TTexturePixelFormat> formats;
  SDL_RendererInfo info;
  if (!renderer_ || SDL_GetRendererInfo(renderer_, &info) != 0) return formats;
  for (Uint32 i = 0; i < info.num_texture_formats; ++i) {
    const Uint32 format = info.texture_formats[i];
    // SDL makes no palette textures, and YUV formats carry no RGB masks.
    if (SDL_ISPIXELFORMAT_FOURCC(format) || SDL_ISPIXELFORMAT_INDEXED(format)) continue;
    int bpp = 0;
    Uint32 r = 0, g = 0, b = 0, a = 0;
    if (!SDL_PixelFormatEnumToMasks(format, &bpp, &r, &g, &b, &a)) continue;
    TTexturePixelFormat entry;
    entry.BitCount = static_cast<uint32_t>(SDL_BYTESPERPIXEL(format) * 8);
    entry.RedMask = r;
    entry.GreenMask = g;
    entry.BlueMask = b;
    entry.AlphaMask = a;
    entry.BackendFormat = format;
    formats.push_back(entry);
  }
  return formats;
}

TTextureCaps TSdlRenderBackend::TextureCaps() {
  TTextureCaps caps;
  SDL_RendererInfo info;
  if (renderer_ && SDL_GetRendererInfo(renderer_, &info) == 0) {
    caps.MaxWidth = info.max_texture_width;
    caps.MaxHeight = info.max_texture_height;
  }
  return caps;
}

std::unique_ptr<IBackendTexture> TSdlRenderBackend::CreateTexture(int width, int height,
                                                                  const TTexturePixelFormat& format) {
  if (!renderer_) return nullptr;
  SDL_Texture* texture = SDL_CreateTexture(renderer_, format.BackendFormat, SDL_TEXTUREACCESS_STATIC, width, height);
  if (!texture) return nullptr;
  return std::make_unique<TSdlTexture>(texture, rendererLife_);
}

bool TSdlRenderBackend::UploadTexture(IBackendTexture& texture, const void* pixels, int pitch, const uint32_t*) {
  return SDL_UpdateTexture(static_cast<TSdlTexture&>(texture).Texture(), nullptr, pixels, pitch) == 0;
}

void TSdlRenderBackend::UseClip(bool viewportClip, bool force) {
  // The viewport only clips: pre-transformed vertices are already in back
  // surface pixels, and plain copies are never clipped by it.
  const bool wanted = viewportClip && !(viewport_ == TRect{0, 0, width_, height_});
  if (wanted == clipApplied_ && !force) return;
  if (wanted) {
    const SDL_Rect clip = ToSdl(viewport_);
    SDL_RenderSetClipRect(renderer_, &clip);
  } else {
    SDL_RenderSetClipRect(renderer_, nullptr);
  }
  clipApplied_ = wanted;
}

bool TSdlRenderBackend::Clear(const TRect& rect, uint32_t color) {
  if (!renderer_ || !target_) return false;
  UseClip(true);
  SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(renderer_, static_cast<Uint8>(color >> 16), static_cast<Uint8>(color >> 8),
                         static_cast<Uint8>(color), static_cast<Uint8>(color >> 24));
  const SDL_Rect area = ToSdl(rect);
  return SDL_RenderFillRect(renderer_, &area) == 0;
}

void TSdlRenderBackend::DropPlainCopies() {
  for (auto& copy : plainCopies_) SDL_DestroyTexture(copy.Texture);
  plainCopies_.clear();
}

bool TSdlRenderBackend::CopyPlainSurface(const TPlainPixels& source, const TRect& sourceRect, int x, int y) {
  if (!renderer_ || !target_ || !source.Pixels) return false;
  auto at = std::find_if(plainCopies_.begin(), plainCopies_.end(),
                         [&](const TPlainCopy& copy) { return copy.Id == source.Id; });
  if (at != plainCopies_.end() && (at->Width != source.Width || at->Height != source.Height)) {
    SDL_DestroyTexture(at->Texture);
    plainCopies_.erase(at);
    at = plainCopies_.end();
  }
  if (at == plainCopies_.end()) {
    if (plainCopies_.size() >= MaxPlainCopies) {
      SDL_DestroyTexture(plainCopies_.front().Texture);
      plainCopies_.erase(plainCopies_.begin());
    }
    SDL_Texture* texture =
        SDL_CreateTexture(renderer_, PlainFormat, SDL_TEXTUREACCESS_STATIC, source.Width, source.Height);
    if (!texture) return false;
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    plainCopies_.push_back(TPlainCopy{source.Id, source.Version - 1, source.Width, source.Height, texture});
    at = plainCopies_.end() - 1;
  }
  if (at->Version != source.Version) {
    if (SDL_UpdateTexture(at->Texture, nullptr, source.Pixels, source.Width * 4) != 0) return false;
    at->Version = source.Version;
  }
  UseClip(false);
  const SDL_Rect from = ToSdl(sourceRect);
  const SDL_Rect to{x, y, sourceRect.Width(), sourceRect.Height()};
  return SDL_RenderCopy(renderer_, at->Texture, &from, &to) == 0;
}

void TSdlRenderBackend::SetViewport(const TRect& viewport) {
  viewport_ = viewport;
  if (renderer_) UseClip(true, true);
}

bool TSdlRenderBackend::DrawTriangleStrip(const TD3DTLVertex* vertices, size_t count, IBackendTexture* texture,
                                          const TRenderStates& states) {
  if (!renderer_ || !target_ || count < 3) return false;
  SDL_Texture* sdlTexture = texture ? static_cast<TSdlTexture*>(texture)->Texture() : nullptr;
  const SDL_BlendMode blend = BlendMode(states);
  if (sdlTexture) {
    if (SDL_SetTextureBlendMode(sdlTexture, blend) != 0) return false;
    SDL_SetTextureScaleMode(sdlTexture, states.LinearFiltering() ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  } else if (SDL_SetRenderDrawBlendMode(renderer_, blend) != 0) {
    return false;
  }
  vertices_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const TD3DTLVertex& v = vertices[i];
    // With a texture the pixel's alpha is the texel's alone, so the vertex
    // alpha stays opaque; the diffuse colour tints the texel.
    const Uint8 alpha = sdlTexture ? 255 : static_cast<Uint8>(v.color >> 24);
    vertices_[i] = SDL_Vertex{SDL_FPoint{v.sx, v.sy},
                              SDL_Color{static_cast<Uint8>(v.color >> 16), static_cast<Uint8>(v.color >> 8),
                                        static_cast<Uint8>(v.color), alpha},
                              SDL_FPoint{v.tu, v.tv}};
  }
  indices_.clear();
  for (size_t i = 0; i + 2 < count; ++i) {
    indices_.push_back(static_cast<int>(i));
    indices_.push_back(static_cast<int>(i + 1));
    indices_.push_back(static_cast<int>(i + 2));
  }
  UseClip(true);
  if (software_) {
    // SDL's software renderer draws two triangles that make a straight
    // rectangle as one copy, which mirrors a picture turned a quarter; one
    // triangle at a time it follows the texture coordinates.
    bool drawn = true;
    for (size_t i = 0; i + 2 < indices_.size(); i += 3) {
      drawn = SDL_RenderGeometry(renderer_, sdlTexture, vertices_.data(), static_cast<int>(count), &indices_[i], 3) ==
                  0 &&
              drawn;
    }
    return drawn;
  }
  return SDL_RenderGeometry(renderer_, sdlTexture, vertices_.data(), static_cast<int>(count), indices_.data(),
                            static_cast<int>(indices_.size())) == 0;
}

bool TSdlRenderBackend::Present(const TRect& dest, bool waitVBlank) {
  if (!renderer_ || !target_) return false;
  if (waitVBlank != vsync_) {
    SDL_RenderSetVSync(renderer_, waitVBlank ? 1 : 0);
    vsync_ = waitVBlank;
  }
  if (SDL_SetRenderTarget(renderer_, nullptr) != 0) return false;
  SDL_RenderSetClipRect(renderer_, nullptr);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  const SDL_Rect to = ToSdl(dest);
  const bool copied = SDL_RenderCopy(renderer_, target_, nullptr, &to) == 0;
  SDL_RenderPresent(renderer_);
  const bool back = SDL_SetRenderTarget(renderer_, target_) == 0;
  UseClip(true, true);
  return copied && back;
}

bool TSdlRenderBackend::ReadBackSurface(std::vector<uint32_t>& pixels, int& width, int& height) {
  if (!renderer_ || !target_) return false;
  pixels.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
  width = width_;
  height = height_;
  return SDL_RenderReadPixels(renderer_, nullptr, TargetFormat, pixels.data(), width_ * 4) == 0;
}

bool TSdlRenderBackend::Finish() {
  if (!renderer_ || !target_) return false;
  // Reading a pixel back cannot finish before the drawing queued ahead of it.
  const SDL_Rect one{0, 0, 1, 1};
  uint32_t pixel = 0;
  return SDL_RenderReadPixels(renderer_, &one, TargetFormat, &pixel, 4) == 0;
}

std::string TSdlRenderBackend::RendererName() const {
  SDL_RendererInfo info;
  if (!renderer_ || SDL_GetRendererInfo(renderer_, &info) != 0) return {};
  return info.name;
}
