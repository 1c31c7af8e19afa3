#pragma once
#include <cstddef>
#include <cstdint>

#include "render/D3DTypes.h"

class TDXDraw;
class TDirect3DTexture2;
class IBackendTexture;

// The 3D device on the back surface: the calls a frame makes to clear, bind
// a texture, set render states and draw triangle strips of pre-transformed,
// lit vertices. Results follow Direct3D: true for success, and a refused call
// changes nothing.
class TDirect3DDevice7 {
 public:
  explicit TDirect3DDevice7(TDXDraw& device);

  // Fills the rectangle of the back surface with the colour (0xAARRGGBB).
  // There is no depth buffer, so D3DCLEAR_ZBUFFER has nothing to clear.
  bool Clear(const TRect& rect, uint32_t flags, uint32_t color, float z, uint32_t stencil);
  // Binds the texture (none unbinds); asking the texture for its surface
  // uploads its pixels first when they need loading. Only stage 0 exists.
  bool SetTexture(uint32_t stage, TDirect3DTexture2* texture);
  bool SetRenderState(TD3DRenderStateType state, uint32_t value);
  uint32_t RenderState(TD3DRenderStateType state) const;
  // Triangle strips of D3DFVF_TLVERTEX vertices only.
  bool DrawPrimitive(uint32_t primitiveType, uint32_t vertexFormat, const TD3DTLVertex* vertices,
                     size_t count, uint32_t flags);
  // Everything is drawn into the back surface; the viewport limits where.
  bool SetViewport(int32_t x, int32_t y, int32_t width, int32_t height, float minZ, float maxZ);

  const TRenderStates& States() const { return states_; }
  // A texture that releases its surface unbinds itself first.
  void TextureGone(const TDirect3DTexture2* texture);

 private:
  TDXDraw& device_;
  TRenderStates states_;
  TDirect3DTexture2* texture_ = nullptr;
};
