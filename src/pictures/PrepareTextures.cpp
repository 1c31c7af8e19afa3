#include "pictures/PrepareTextures.h"

#include <cstring>
#include <filesystem>
#include <string>

#include "pictures/JpegDecode.h"
#include "pictures/PictureFile.h"
#include "pictures/PictureShaping.h"
#include "pictures/PngAlpha.h"
#include "pictures/Resources.h"

namespace {

constexpr char PngType[] = "PNG";
constexpr char JpgType[] = "JPG";
constexpr char BuiltInBackground[] = "BACK";
constexpr char MaskPrefix[] = "MASK";
constexpr int32_t LastMask = 2;
constexpr int32_t BackDesktop = 2;
constexpr int32_t BackUserPictures = 3;

TMemoryStream ResourceStream(const char* name, const char* type)
{
    std::span<const uint8_t> data = FindResourceData(name, type);
    return TMemoryStream(std::vector<uint8_t>(data.begin(), data.end()));
}

void ConvertStyleImage(const char* name, TBitmap& scratch, TMemoryStream& stream, TDXDIB& target)
{
    TMemoryStream resource = ResourceStream(name, PngType);
    PngStreamToBitmap(resource, scratch);
    HandOver(scratch.Dib, stream, target.DIB());
}

std::optional<TPngImage> MaskImage(int32_t useMask)
{
    if (useMask < 1 || useMask > LastMask) {
        return std::nullopt;
    }
    std::span<const uint8_t> data = FindResourceData(MaskPrefix + std::to_string(useMask), PngType);
    return DecodePng(data);
}

TDIB FromBgrPixels(const TBgrPixels& pixels)
{
    TDIB dib;
    dib.SetSize(pixels.Width, pixels.Height, 24);
    size_t rowBytes = size_t(pixels.Width) * 3;
    for (int32_t y = 0; y < pixels.Height; ++y) {
        std::memcpy(dib.ScanLine(y), pixels.Bgr.data() + rowBytes * size_t(y), rowBytes);
    }
    return dib;
}

std::optional<TDIB> UserBackground(const TBallSettings& settings)
{
    std::error_code error;
    if (TrimText(settings.BackPicture).empty() || settings.BackType != BackUserPictures ||
        !std::filesystem::is_regular_file(settings.BackPicture, error)) {
        return std::nullopt;
    }
    try {
        return LoadPictureFile(settings.BackPicture);
    } catch (const std::exception&) {
        // A picture that exists but cannot be read must not stop the saver:
        // the built-in picture stands in for it.
        return std::nullopt;
    }
}

std::optional<TDIB> DesktopBackground(const TBallSettings& settings, const TDesktopCapture& captureDesktop)
{
    if (settings.BackType != BackDesktop || !captureDesktop) {
        return std::nullopt;
    }
    std::optional<TBgrPixels> pixels = captureDesktop();
    if (!pixels || pixels->Width <= 0 || pixels->Height <= 0) {
        return std::nullopt;
    }
    return FromBgrPixels(*pixels);
}

}

TStyleNames StyleImageNames(int32_t bubbleStyle)
{
    switch (bubbleStyle) {
    case 1: return {"HEART", "HEART1", "HEART2"};
    case 2: return {"GLASS", "GLASS1", "GLASS2"};
    default: return {"BALL", "BALL1", "BALL2"};
    }
}

void PreparePictures(TScenePictures& scene, const TBallSettings& settings, const TDesktopCapture& captureDesktop)
{
    TBitmap scratch;
    TMemoryStream stream;
    for (auto& slot : scene.PictureDIBs) {
        slot.reset();
    }

    TStyleNames names = StyleImageNames(settings.BubbleStyle);
    ConvertStyleImage(names.Body, scratch, stream, scene.DXDIB1);
    ConvertStyleImage(names.Front, scratch, stream, scene.DXDIB2);
    ConvertStyleImage(names.Shadow, scratch, stream, scene.DXDIB3);

    std::optional<TPngImage> mask = MaskImage(settings.UseMask);
    ConvertPictureSlots(settings.BallPicList.get(), mask ? &*mask : nullptr, scratch, stream, scene.PictureDIBs);

    if (std::optional<TDIB> user = UserBackground(settings)) {
        scene.BackImage = std::move(*user);
    } else if (std::optional<TDIB> desktop = DesktopBackground(settings, captureDesktop)) {
        scene.BackImage = std::move(*desktop);
    } else {
        scene.BackImage = DecodeJpeg(FindResourceData(BuiltInBackground, JpgType));
    }
}

void TSceneTextures::ReleaseTextures()
{
    for (auto& texture : PictureTextures) {
        texture.reset();
    }
    ShadowTexture.reset();
    FrontTexture.reset();
    BallTexture.reset();
}

void PrepareTextures(TSceneTextures& scene, TDXDraw& device, const TBallSettings& settings,
                     const TDesktopCapture& captureDesktop)
{
    scene.ReleaseTextures();
    PreparePictures(scene, settings, captureDesktop);
    scene.BallTexture = std::make_unique<TDirect3DTexture2>(device, &scene.DXDIB1.DIB(), false);
    scene.FrontTexture = std::make_unique<TDirect3DTexture2>(device, &scene.DXDIB2.DIB(), false);
    scene.ShadowTexture = std::make_unique<TDirect3DTexture2>(device, &scene.DXDIB3.DIB(), false);
    for (int slot = 1; slot <= PictureSlotCount; ++slot) {
        if (TDIB* dib = scene.PictureDIBs[size_t(slot)].get()) {
            scene.PictureTextures[size_t(slot)] = std::make_unique<TDirect3DTexture2>(device, dib, false);
        }
    }
}
