#include "render/TDirect3DDevice7.h"

#include "render/TDXDraw.h"
#include "render/TDirect3DTexture2.h"

TDirect3DDevice7::TDirect3DDevice7(TDXDraw& device) : device_(device) {}

bool TDirect3DDevice7::Clear(const TRect& rect, uint32_t flags, uint32_t color, float, uint32_t) {
  if (!(flags & D3DCLEAR_TARGET)) return (flags & D3DCLEAR_ZBUFFER) != 0;
  return device_.Backend().Clear(rect, color);
}

bool TDirect3DDevice7::SetTexture(uint32_t stage, TDirect3DTexture2* texture) {
  if (stage != 0) return false;
  if (texture && !texture->Surface()) return false;
  texture_ = texture;
  return true;
}

void TDirect3DDevice7::TextureGone(const TDirect3DTexture2* texture) {
  if (texture_ == texture) texture_ = nullptr;
}

bool TDirect3DDevice7::SetRenderState(TD3DRenderStateType state, uint32_t value) {
  switch (state) {
    case D3DRENDERSTATE_TEXTUREMAG:
      states_.TextureMag = value;
      return true;
    case D3DRENDERSTATE_TEXTUREMIN:
      states_.TextureMin = value;
      return true;
    case D3DRENDERSTATE_SRCBLEND:
      states_.SrcBlend = value;
      return true;
    case D3DRENDERSTATE_DESTBLEND:
      states_.DestBlend = value;
      return true;
    case D3DRENDERSTATE_ALPHABLENDENABLE:
      states_.AlphaBlendEnable = value != 0;
      return true;
    case D3DRENDERSTATE_COLORKEYENABLE:
      states_.ColorKeyEnable = value != 0;
      return true;
  }
  return false;
}

uint32_t TDirect3DDevice7::RenderState(TD3DRenderStateType state) const {
  switch (state) {
    case D3DRENDERSTATE_TEXTUREMAG:
      return states_.TextureMag;
    case D3DRENDERSTATE_TEXTUREMIN:
      return states_.TextureMin;
    case D3DRENDERSTATE_SRCBLEND:
      return states_.SrcBlend;
    case D3DRENDERSTATE_DESTBLEND:
      return states_.DestBlend;
    case D3DRENDERSTATE_ALPHABLENDENABLE:
      return states_.AlphaBlendEnable ? 1 : 0;
    case D3DRENDERSTATE_COLORKEYENABLE:
      return states_.ColorKeyEnable ? 1 : 0;
  }
  return 0;
}

bool TDirect3DDevice7::DrawPrimitive(uint32_t primitiveType, uint32_t vertexFormat, const TD3DTLVertex* vertices,
                                     size_t count, uint32_t) {
  if (primitiveType != D3DPT_TRIANGLESTRIP || vertexFormat != D3DFVF_TLVERTEX || !vertices || count < 3) {
    return false;
  }
  IBackendTexture* surface = texture_ ? texture_->Surface() : nullptr;
  return device_.Backend().DrawTriangleStrip(vertices, count, surface, states_);
}

bool TDirect3DDevice7::SetViewport(int32_t x, int32_t y, int32_t width, int32_t height, float, float) {
  if (width <= 0 || height <= 0) return false;
  device_.Backend().SetViewport(TRect{x, y, x + width, y + height});
  return true;
}
