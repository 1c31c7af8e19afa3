#pragma once
#include <vector>

#include "render/IRenderBackend.h"
#include "render/TDXTextureImage.h"

// The index of the format a texture of this image takes among those a device
// offers, or -1 when none is acceptable.
int ChooseTextureFormat(const TDXTextureImage& image, const std::vector<TTexturePixelFormat>& formats);

struct TTextureSize {
  int Width = 0;
  int Height = 0;
};

// The surface size for an image on a device with these limits.
TTextureSize TextureSurfaceSize(int imageWidth, int imageHeight, const TTextureCaps& caps);
