#pragma once
#include <array>

#include "pictures/PictureSlots.h"

class TDXDraw;
class TDirectDrawSurface;
class TDirect3DTexture2;

// What a frame draws with: the background at surface size and the textures of the
// bubble style and the pictures. Any of them may be missing; a missing one only
// skips its own part of the frame.
struct TFrameSources {
    TDirectDrawSurface* BackSurface = nullptr;
    TDirect3DTexture2* BallTexture = nullptr;
    TDirect3DTexture2* FrontTexture = nullptr;
    TDirect3DTexture2* ShadowTexture = nullptr;
    // Slot i (1..10) at index i - 1; bubble i shows slot i.
    std::array<TDirect3DTexture2*, PictureSlotCount> PictureTextures{};
};

// One frame: background, one physics step at the measured frame rate, every bubble
// as shadow, tinted body, picture and front, the frame rate updated, presented.
// Does nothing at all while the device is not ready.
void DrawFrame(TDXDraw& device, const TFrameSources& sources);
