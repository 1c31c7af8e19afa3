#include <gtest/gtest.h>

#include "PictureFixtures.h"
#include "pictures/JpegDecode.h"
#include "pictures/PrepareTextures.h"
#include "pictures/Resources.h"

namespace {

constexpr int32_t BackWidth = 544;
constexpr int32_t BackHeight = 395;

class PreparePicturesTest : public testing::Test {
protected:
    PreparePicturesTest() { settings.BallPicList = std::make_unique<TStringList>(); }

    TScenePictures& Prepare(const TDesktopCapture& capture = nullptr)
    {
        scene = std::make_unique<TScenePictures>();
        PreparePictures(*scene, settings, capture);
        return *scene;
    }

    const TDIB* Slot(int i) const { return scene->PictureDIBs[size_t(i)].get(); }

    // A 40 × 40 picture with alpha of its own: a clear left half, opaque right.
    std::string OwnAlphaPng()
    {
        TPngRecipe recipe;
        recipe.Width = 40;
        recipe.Height = 40;
        recipe.Samples = [](int x, int) -> std::vector<uint32_t> { return {10, 20, 30, x < 20 ? 0u : 255u}; };
        std::string name = folder / "own.png";
        WriteFile(name, MakePng(recipe));
        return name;
    }

    std::string OpaqueJpeg()
    {
        std::string name = folder / "photo.jpg";
        WriteFile(name, MakeJpeg(64, 48, [](int, int) { return 0x20A040u; }));
        return name;
    }

    TBallSettings settings;
    TTempFolder folder;
    std::unique_ptr<TScenePictures> scene;
};

uint32_t MaskAlpha(const char* name, int32_t x, int32_t y)
{
    std::optional<TPngImage> mask = DecodePng(FindResourceData(name, "PNG"));
    return mask->Pixels[size_t(y) * size_t(mask->Width) + size_t(x)] >> 24;
}

TEST_F(PreparePicturesTest, PictureWithItsOwnAlphaIgnoresTheMask)
{
    settings.BallPicList->assign({OwnAlphaPng()});
    settings.UseMask = 1;
    Prepare();
    ASSERT_TRUE(Slot(1));
    EXPECT_EQ(Slot(1)->Width(), 256);
    EXPECT_EQ(Slot(1)->BitCount(), 32);
    // The centre, where the mask is opaque, keeps the picture's clear left half.
    EXPECT_EQ(Alpha(Slot(1)->PixelValue(100, 128)), 0u);
    EXPECT_EQ(Alpha(Slot(1)->PixelValue(160, 128)), 255u);
    EXPECT_EQ(Slot(1)->GetColor(160, 128) & 0xFFFFFF, 0x0A141Eu);
}

TEST_F(PreparePicturesTest, JpegIsOpaqueWithoutMaskAndTakesTheMaskShapeWithOne)
{
    settings.BallPicList->assign({OpaqueJpeg()});
    Prepare();
    ASSERT_TRUE(Slot(1));
    EXPECT_EQ(Slot(1)->BitCount(), 24);
    EXPECT_EQ(Slot(1)->Width(), 256);

    for (int32_t useMask : {1, 2}) {
        settings.UseMask = useMask;
        Prepare();
        ASSERT_TRUE(Slot(1));
        EXPECT_EQ(Slot(1)->BitCount(), 32);
        std::string mask = "MASK" + std::to_string(useMask);
        for (auto [x, y] : {std::pair{0, 0}, {128, 128}, {40, 200}, {250, 5}}) {
            EXPECT_EQ(Alpha(Slot(1)->PixelValue(x, y)), MaskAlpha(mask.c_str(), x, y)) << mask << " " << x << "," << y;
        }
        uint32_t colour = Slot(1)->GetColor(128, 128);
        EXPECT_NEAR(Red(colour), 0x20, 4);
        EXPECT_NEAR(Green(colour), 0xA0, 4);
    }

    // A mask number with no stored mask means no mask.
    settings.UseMask = 3;
    Prepare();
    EXPECT_EQ(Slot(1)->BitCount(), 24);
}

TEST_F(PreparePicturesTest, BitmapIsOpaqueAndWideBitmapIsSqueezed)
{
    TDIB wide;
    wide.SetSize(1000, 500, 24);
    for (int32_t y = 0; y < 500; ++y) {
        for (int32_t x = 0; x < 1000; ++x) {
            wide.SetColor(x, y, x < 500 ? 0xFF0000 : 0x0000FF);
        }
    }
    WriteFile(folder / "wide.BMP", MakeBmp(wide));
    settings.BallPicList->assign({folder / "wide.BMP"});
    Prepare();
    ASSERT_TRUE(Slot(1));
    EXPECT_EQ(Slot(1)->BitCount(), 24);
    EXPECT_EQ(Slot(1)->Width(), 256);
    EXPECT_EQ(Slot(1)->Height(), 256);
    EXPECT_EQ(Slot(1)->GetColor(127, 0), 0xFF0000u);
    EXPECT_EQ(Slot(1)->GetColor(128, 255), 0x0000FFu);
}

TEST_F(PreparePicturesTest, OnlyExistingEntriesFillTheirSlots)
{
    std::string photo = OpaqueJpeg();
    settings.BallPicList->assign({photo, folder / "gone.jpg", "  " + photo + "  ", "", "   "});
    for (int i = 0; i < 7; ++i) {
        settings.BallPicList->push_back(photo);   // entries 6 to 12
    }
    (*settings.BallPicList)[5] = folder / "gone.png";
    Prepare();
    for (int slot = 1; slot <= PictureSlotCount; ++slot) {
        bool filled = slot == 1 || slot == 3 || slot >= 7;
        EXPECT_EQ(Slot(slot) != nullptr, filled) << slot;
    }

    settings.BallPicList->assign({photo, folder / "gone.jpg", photo});
    Prepare();
    EXPECT_TRUE(Slot(1));
    EXPECT_FALSE(Slot(2));
    EXPECT_TRUE(Slot(3));
    for (int slot = 4; slot <= PictureSlotCount; ++slot) {
        EXPECT_FALSE(Slot(slot));
    }
}

TEST_F(PreparePicturesTest, StyleImagesFollowTheBubbleStyle)
{
    struct TCase {
        int32_t Style;
        const char* Body;
        const char* Shadow;
    };
    for (const TCase& c : {TCase{0, "BALL", "BALL2"}, TCase{1, "HEART", "HEART2"}, TCase{2, "GLASS", "GLASS2"},
                           TCase{-1, "BALL", "BALL2"}, TCase{7, "BALL", "BALL2"}}) {
        SCOPED_TRACE(c.Style);
        settings.BubbleStyle = c.Style;
        Prepare();
        // The first image is drawn over a new, white scratch bitmap.
        TBitmap expected;
        TMemoryStream body(std::vector<uint8_t>(FindResourceData(c.Body, "PNG").begin(), FindResourceData(c.Body, "PNG").end()));
        ASSERT_TRUE(PngStreamToBitmap(body, expected));
        const TDIB& dib = scene->DXDIB1.DIB();
        EXPECT_EQ(dib.BitCount(), 32);
        EXPECT_EQ(dib.Width(), 256);
        EXPECT_EQ(std::memcmp(dib.Bits(), expected.Dib.Bits(), dib.Size()), 0);
        EXPECT_EQ(scene->DXDIB2.DIB().BitCount(), 32);
        EXPECT_EQ(scene->DXDIB3.DIB().Height(), 256);
        std::optional<TPngImage> shadow = DecodePng(FindResourceData(c.Shadow, "PNG"));
        EXPECT_EQ(Alpha(scene->DXDIB3.DIB().PixelValue(128, 128)), shadow->Pixels[128 * 256 + 128] >> 24);
    }
}

TEST_F(PreparePicturesTest, BackgroundRules)
{
    int captures = 0;
    TDesktopCapture desktop = [&]() -> std::optional<TBgrPixels> {
        ++captures;
        TBgrPixels pixels;
        pixels.Width = 8;
        pixels.Height = 6;
        pixels.Bgr.assign(8 * 6 * 3, 0x11);
        return pixels;
    };
    TDesktopCapture none = []() -> std::optional<TBgrPixels> { return std::nullopt; };
    std::string photo = OpaqueJpeg();

    // 1: the built-in picture.
    Prepare(desktop);
    EXPECT_EQ(scene->BackImage.Width(), BackWidth);
    EXPECT_EQ(scene->BackImage.Height(), BackHeight);
    EXPECT_EQ(captures, 0);

    // 2: the desktop as it is; the built-in picture when it cannot be read.
    settings.BackType = 2;
    Prepare(desktop);
    EXPECT_EQ(captures, 1);
    EXPECT_EQ(scene->BackImage.Width(), 8);
    EXPECT_EQ(scene->BackImage.GetColor(7, 5), 0x111111u);
    Prepare(none);
    EXPECT_EQ(scene->BackImage.Width(), BackWidth);

    // 3: the user's first picture, even with a desktop capture at hand.
    settings.BackType = 3;
    settings.BackPicture = photo;
    Prepare(desktop);
    EXPECT_EQ(scene->BackImage.Width(), 64);
    EXPECT_EQ(scene->BackImage.Height(), 48);

    // 3 with a missing or unreadable file: the built-in picture, not the desktop.
    for (std::string missing : {folder / "gone.jpg", std::string("   "), folder / "own.gif"}) {
        if (missing.ends_with(".gif")) {
            WriteFile(missing, {1, 2, 3});
        }
        settings.BackPicture = missing;
        captures = 0;
        Prepare(desktop);
        EXPECT_EQ(scene->BackImage.Width(), BackWidth) << missing;
        EXPECT_EQ(captures, 0);
    }

    // A user picture is used only with background kind 3.
    settings.BackType = 1;
    settings.BackPicture = photo;
    Prepare(desktop);
    EXPECT_EQ(scene->BackImage.Width(), BackWidth);
}

}
