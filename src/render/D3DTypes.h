#pragma once
#include <cstdint>

// The small part of the Direct3D 7 vocabulary the frame drawing speaks: a
// pre-transformed, lit vertex, the render states it sets and the constants it
// passes. The numeric values are those of the Direct3D 7 headers, so code
// written against that API reads the same here.

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

// D3DTLVERTEX: screen position, depth, reciprocal w, diffuse and specular
// colours (alpha, red, green, blue from the high byte down) and texture
// coordinates.
struct TD3DTLVertex {
  float sx = 0.0f;
  float sy = 0.0f;
  float sz = 0.0f;
  float rhw = 1.0f;
  uint32_t color = 0;
  uint32_t specular = 0;
  float tu = 0.0f;
  float tv = 0.0f;
};

enum TD3DRenderStateType : uint32_t {
  D3DRENDERSTATE_TEXTUREMAG = 17,
  D3DRENDERSTATE_TEXTUREMIN = 18,
  D3DRENDERSTATE_SRCBLEND = 19,
  D3DRENDERSTATE_DESTBLEND = 20,
  D3DRENDERSTATE_ALPHABLENDENABLE = 27,
  D3DRENDERSTATE_COLORKEYENABLE = 41,
};

enum TD3DBlend : uint32_t {
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCCOLOR = 3,
  D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
};

enum TD3DTextureFilter : uint32_t {
  D3DFILTER_NEAREST = 1,
  D3DFILTER_LINEAR = 2,
  D3DFILTER_MIPNEAREST = 3,
  D3DFILTER_MIPLINEAR = 4,
  D3DFILTER_LINEARMIPNEAREST = 5,
  D3DFILTER_LINEARMIPLINEAR = 6,
};

enum TD3DPrimitiveType : uint32_t {
  D3DPT_TRIANGLESTRIP = 5,
};

constexpr uint32_t D3DFVF_TLVERTEX = 0x1C4;
constexpr uint32_t D3DDP_WAIT = 0x1;
constexpr uint32_t D3DCLEAR_TARGET = 0x1;
constexpr uint32_t D3DCLEAR_ZBUFFER = 0x2;

// The render states a draw call carries down to the backend.
struct TRenderStates {
  bool AlphaBlendEnable = false;
  uint32_t SrcBlend = D3DBLEND_ONE;
  uint32_t DestBlend = D3DBLEND_ZERO;
  bool ColorKeyEnable = false;
  uint32_t TextureMag = D3DFILTER_NEAREST;
  uint32_t TextureMin = D3DFILTER_NEAREST;

  // Bilinear sampling when the magnification filter interpolates.
  bool LinearFiltering() const {
    return TextureMag == D3DFILTER_LINEAR || TextureMag == D3DFILTER_MIPLINEAR ||
           TextureMag == D3DFILTER_LINEARMIPLINEAR;
  }
};
