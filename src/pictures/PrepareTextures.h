#pragma once
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "pictures/PictureSlots.h"
#include "platform/BgrPixels.h"
#include "platform/DesktopCapture.h"
#include "render/TDIB.h"
#include "render/TDirect3DTexture2.h"
#include "render/TDXDIB.h"
#include "settings/TBallSettings.h"

// What the picture preparation makes for the scene window, which keeps it for
// as long as it lives: the bitmaps behind the three style textures, the
// picture slots 1..10 and the starting background picture.
struct TScenePictures {
    TDXDIB DXDIB1;
    TDXDIB DXDIB2;
    TDXDIB DXDIB3;
    TPictureDIBs PictureDIBs;
    TDIB BackImage;
};

// Reads the screen as it is now; nothing when it cannot. The saver passes
// CaptureDesktop, tests a fake.
using TDesktopCapture = std::function<std::optional<TBgrPixels>()>;

// The names of the three style images (body, front, shadow) for a bubble
// style; a style outside 0..2 gets the sphere's.
struct TStyleNames {
    const char* Body;
    const char* Front;
    const char* Shadow;
};
TStyleNames StyleImageNames(int32_t bubbleStyle);

// Fills the style bitmaps, the picture slots and the background from the
// settings and the built-in images.
void PreparePictures(TScenePictures& scene, const TBallSettings& settings, const TDesktopCapture& captureDesktop);

// The scene window's textures with the bitmaps they are made from. Each
// texture reads its bitmap again on every restore, so the bitmaps live here
// beside them, and the textures go first when this is destroyed. It must not
// move once textures exist.
struct TSceneTextures : TScenePictures {
    std::unique_ptr<TDirect3DTexture2> BallTexture;
    std::unique_ptr<TDirect3DTexture2> FrontTexture;
    std::unique_ptr<TDirect3DTexture2> ShadowTexture;
    std::array<std::unique_ptr<TDirect3DTexture2>, PictureSlotCount + 1> PictureTextures;   // slots 1..10

    TSceneTextures() = default;
    TSceneTextures(const TSceneTextures&) = delete;
    TSceneTextures& operator=(const TSceneTextures&) = delete;

    // Frees every texture (the bitmaps stay); safe to call twice.
    void ReleaseTextures();
};

// Prepares the pictures as PreparePictures does and makes the style textures
// and one texture for every filled picture slot on the device, none of them
// owning its bitmap. Textures made before the device is initialised get their
// surfaces when it is.
void PrepareTextures(TSceneTextures& scene, TDXDraw& device, const TBallSettings& settings,
                     const TDesktopCapture& captureDesktop = CaptureDesktop);
