#include <gtest/gtest.h>

#include <cstring>

#include "PictureFixtures.h"
#include "pictures/PrepareTextures.h"
#include "render/FakeRenderBackend.h"
#include "render/TDXDraw.h"
#include "render/TDXDrawOptions.h"

namespace {

class PrepareTexturesTest : public testing::Test {
protected:
    PrepareTexturesTest()
    {
        auto owned = std::make_unique<FakeRenderBackend>();
        backend = owned.get();
        backend->Formats = {TTexturePixelFormat{32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
        device = std::make_unique<TDXDraw>(std::move(owned));
        device->SetOptions(SceneDeviceOptions);
        device->SetControl(&control);
        settings.BallPicList = std::make_unique<TStringList>();
    }

    uint32_t Texel(TDirect3DTexture2& texture, int x, int y)
    {
        auto* surface = static_cast<FakeRenderBackend::Texture*>(texture.Surface());
        uint32_t value = 0;
        std::memcpy(&value, surface->Pixels.data() + size_t(y) * size_t(surface->Pitch) + 4 * size_t(x), 4);
        return value;
    }

    FakeControl control;
    FakeRenderBackend* backend = nullptr;
    std::unique_ptr<TDXDraw> device;
    TBallSettings settings;
    TTempFolder folder;
    TSceneTextures scene;
};

TEST_F(PrepareTexturesTest, TexturesForStylesAndFilledSlotsOnlyWaitForTheDevice)
{
    std::string photo = folder / "photo.jpg";
    WriteFile(photo, MakeJpeg(32, 32, [](int, int) { return 0xFFFFFFu; }));
    settings.BallPicList->assign({photo, "", photo});
    settings.UseMask = 2;
    PrepareTextures(scene, *device, settings, nullptr);
    ASSERT_TRUE(scene.BallTexture && scene.FrontTexture && scene.ShadowTexture);
    EXPECT_EQ(scene.BallTexture->Surface(), nullptr);
    for (int slot = 1; slot <= PictureSlotCount; ++slot) {
        EXPECT_EQ(scene.PictureTextures[size_t(slot)] != nullptr, slot == 1 || slot == 3) << slot;
    }
    EXPECT_EQ(backend->LiveTextures, 0);

    device->InitializeDevice();
    EXPECT_EQ(backend->LiveTextures, 5);
    // Alpha reaches the textures from bits 24 to 31 of the bitmaps.
    EXPECT_EQ(Texel(*scene.ShadowTexture, 128, 128) >> 24, 33u);
    EXPECT_EQ(Texel(*scene.PictureTextures[1], 128, 128) >> 24, 255u);
    EXPECT_EQ(Texel(*scene.PictureTextures[1], 0, 0) >> 24, 0u);
    EXPECT_FALSE(scene.BallTexture->Transparent());

    // A second preparation replaces everything; releasing twice is harmless.
    settings.BallPicList->clear();
    PrepareTextures(scene, *device, settings, nullptr);
    EXPECT_EQ(backend->LiveTextures, 3);
    EXPECT_FALSE(scene.PictureTextures[1]);
    EXPECT_FALSE(scene.PictureDIBs[1]);
    scene.ReleaseTextures();
    scene.ReleaseTextures();
    EXPECT_EQ(backend->LiveTextures, 0);
    EXPECT_FALSE(scene.DXDIB1.DIB().Empty());
}

}
