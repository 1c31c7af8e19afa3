#pragma once
#include <functional>
#include <optional>

#include "pictures/PictureSlots.h"
#include "platform/PlainPixels.h"
#include "render/TDIB.h"
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

// Reads the screen as it is now; nothing when it cannot.
using TDesktopCapture = std::function<std::optional<TPlainPixels>()>;

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
