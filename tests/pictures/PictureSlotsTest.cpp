#include <gtest/gtest.h>

#include <filesystem>

#include "PictureFixtures.h"
#include "pictures/JpegDecode.h"
#include "pictures/PictureFile.h"
#include "pictures/PictureShaping.h"
#include "pictures/PictureSlots.h"
#include "pictures/Resources.h"

namespace {

// The slots converted one after another with whole pictures, exactly in the
// documented order: the result the parallel conversion must reproduce.
TPictureDIBs ReferenceSlots(const TStringList& list, int32_t useMask, TBitmap& scratch)
{
    TMemoryStream stream;
    TPictureDIBs slots;
    for (int slot = 1; slot <= PictureSlotCount; ++slot) {
        if (list.size() < size_t(slot)) {
            continue;
        }
        std::string name = TrimText(list[size_t(slot) - 1]);
        if (name.empty() || !std::filesystem::is_regular_file(name)) {
            continue;
        }
        auto dib = std::make_unique<TDIB>();
        std::vector<uint8_t> bytes = ReadPictureFileBytes(name);
        try {
            switch (ChooseSlotPath(name)) {
            case TSlotPath::Png: {
                TMemoryStream file(bytes);
                if (!PngStreamToBitmap(file, scratch)) {
                    continue;
                }
                break;
            }
            case TSlotPath::Jpeg: scratch.Dib = DecodeJpeg(bytes); break;
            case TSlotPath::Generic: {
                TDIB picture = LoadPictureFile(name);
                scratch.Dib.SetSize(PictureTextureSize, PictureTextureSize, 24);
                scratch.Dib.StretchDraw(scratch.Dib.BoundsRect(), picture, picture.BoundsRect());
                break;
            }
            }
        } catch (const std::exception&) {
            continue;
        }
        HandOver(scratch.Dib, stream, *dib);
        bool ownAlpha = dib->HasOwnAlpha();
        TDIB shaped;
        if (ownAlpha || useMask < 1 || useMask > 2) {
            shaped.SetSize(PictureTextureSize, PictureTextureSize, ownAlpha ? 32 : 24);
            shaped.StretchDraw(shaped.BoundsRect(), *dib, dib->BoundsRect());
        } else {
            shaped.SetSize(PictureTextureSize, PictureTextureSize, 24);
            shaped.StretchDraw(shaped.BoundsRect(), *dib, dib->BoundsRect());
            std::span<const uint8_t> maskPng = FindResourceData("MASK" + std::to_string(useMask), "PNG");
            TMemoryStream maskStream(std::vector<uint8_t>(maskPng.begin(), maskPng.end()));
            EXPECT_TRUE(PngStreamToBitmap(maskStream, scratch));
            TDIB mask;
            HandOver(scratch.Dib, stream, mask);
            shaped.ConvertTo(32);
            for (int32_t y = 0; y < PictureTextureSize; ++y) {
                for (int32_t x = 0; x < PictureTextureSize; ++x) {
                    shaped.SetPixelValue(x, y, (shaped.PixelValue(x, y) & 0xFFFFFF) | (mask.PixelValue(x, y) & 0xFF000000));
                }
            }
        }
        *dib = std::move(shaped);
        slots[size_t(slot)] = std::move(dib);
    }
    return slots;
}

std::optional<TPngImage> Mask(int32_t useMask)
{
    if (useMask < 1 || useMask > 2) {
        return std::nullopt;
    }
    return DecodePng(FindResourceData("MASK" + std::to_string(useMask), "PNG"));
}

TPictureDIBs Convert(const TStringList& list, int32_t useMask, TBitmap& scratch)
{
    TMemoryStream stream;
    TPictureDIBs slots;
    std::optional<TPngImage> mask = Mask(useMask);
    ConvertPictureSlots(&list, mask ? &*mask : nullptr, scratch, stream, slots);
    return slots;
}

std::vector<uint8_t> Bytes(const TDIB& dib)
{
    TMemoryStream stream;
    dib.SaveToStream(stream);
    return stream.Bytes();
}

// The scratch bitmap as the style images may leave it: some picture of its
// own, smaller than some of the pictures that follow.
TBitmap StartingScratch()
{
    TBitmap scratch;
    scratch.Dib.SetSize(150, 120, 32);
    for (int32_t y = 0; y < 120; ++y) {
        for (int32_t x = 0; x < 150; ++x) {
            scratch.Dib.SetPixelValue(x, y, uint32_t(x * 0x010305 + y * 0x070100) | 0x40000000u);
        }
    }
    return scratch;
}

TPngRecipe SoftPng(int width, int height, int colorType)
{
    TPngRecipe recipe;
    recipe.Width = width;
    recipe.Height = height;
    recipe.ColorType = colorType;
    recipe.Samples = [colorType](int x, int y) -> std::vector<uint32_t> {
        uint32_t alpha = uint32_t((x * 7 + y * 3) % 256);
        if (colorType == 4) {
            return {uint32_t(x + y) & 0xFF, alpha};
        }
        return {uint32_t(x) & 0xFF, uint32_t(y) & 0xFF, 200, alpha};
    };
    return recipe;
}

// A list of every kind of entry, in an order where each PNG is drawn over
// what the pictures before it left in the scratch bitmap.
class PictureSlotsOrder : public testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(folder / "a.jpg", MakeJpeg(300, 200, [](int x, int y) { return uint32_t(x * 0x10101 + y * 0x100); }));
        WriteFile(folder / "b.png", MakePng(SoftPng(320, 240, 6)));
        TPngRecipe opaque;
        opaque.Width = 50;
        opaque.Height = 40;
        opaque.ColorType = 2;
        opaque.Samples = [](int x, int y) -> std::vector<uint32_t> { return {uint32_t(x * 5), uint32_t(y * 6), 9}; };
        WriteFile(folder / "d.PNG", MakePng(opaque));
        TDIB bmp;
        bmp.SetSize(100, 80, 24);
        bmp.Fill(0x8040C0);
        WriteFile(folder / "e.bmp", MakeBmp(bmp));
        WriteFile(folder / "f.png", MakePng(SoftPng(400, 100, 4)));
        WriteFile(folder / "g.jpg", {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3});
        std::filesystem::create_directories(folder.Path() / "h.png");
        WriteFile(folder / "h.png/photo.jpg", MakeJpeg(40, 40, [](int, int) { return 0x00FF00u; }));
        TPngRecipe keyed;
        keyed.Width = 64;
        keyed.Height = 64;
        keyed.ColorType = 3;
        keyed.Palette = {0xFF0000, 0x0000FF};
        keyed.PaletteAlpha = {0, 128};
        keyed.Samples = [](int x, int y) -> std::vector<uint32_t> { return {uint32_t((x / 8 + y / 8) % 2)}; };
        WriteFile(folder / "i.png", MakePng(keyed));
        WriteFile(folder / "j.jpeg", MakeJpeg(1000, 500, [](int x, int) { return x < 500 ? 0xFF0000u : 0x0000FFu; }));
        list = {folder / "a.jpg", " " + folder / "b.png" + " ", folder / "c.png", folder / "d.PNG", folder / "e.bmp",
                folder / "f.png", folder / "g.jpg", folder / "h.png/photo.jpg", folder / "i.png", folder / "j.jpeg",
                folder / "b.png"};
    }

    TTempFolder folder;
    TStringList list;
};

TEST_F(PictureSlotsOrder, ParallelResultEqualsThePlainOrderForEveryMask)
{
    for (int32_t useMask : {0, 1, 2, 3}) {
        SCOPED_TRACE("UseMask " + std::to_string(useMask));
        TBitmap referenceScratch = StartingScratch();
        TPictureDIBs expected = ReferenceSlots(list, useMask, referenceScratch);
        TBitmap scratch = StartingScratch();
        TPictureDIBs actual = Convert(list, useMask, scratch);
        for (int slot = 1; slot <= PictureSlotCount; ++slot) {
            SCOPED_TRACE("slot " + std::to_string(slot));
            ASSERT_EQ(bool(actual[size_t(slot)]), bool(expected[size_t(slot)]));
            if (expected[size_t(slot)]) {
                EXPECT_EQ(Bytes(*actual[size_t(slot)]), Bytes(*expected[size_t(slot)]));
            }
        }
    }
}

TEST_F(PictureSlotsOrder, MissingDamagedAndMisdirectedPicturesLeaveTheirSlotsEmpty)
{
    TBitmap scratch;
    TPictureDIBs slots = Convert(list, 0, scratch);
    for (int slot : {1, 2, 4, 5, 6, 9, 10}) {
        EXPECT_TRUE(slots[size_t(slot)]) << slot;
    }
    EXPECT_FALSE(slots[3]);   // no such file
    EXPECT_FALSE(slots[7]);   // not a JPEG after all
    EXPECT_FALSE(slots[8]);   // a JPEG in a folder named like a PNG goes down the PNG path
}

// The semi-transparent pixels of a PNG take part of their colour from the
// picture converted before it, at the same spot; the alpha is the file's.
TEST(PictureSlots, PngBlendsOverThePreviousPicture)
{
    TTempFolder folder;
    WriteFile(folder / "grey.bmp", [] {
        TDIB dib;
        dib.SetSize(300, 300, 24);
        dib.Fill(0x404040);
        return MakeBmp(dib);
    }());
    TPngRecipe recipe;
    recipe.Width = 256;
    recipe.Height = 256;
    recipe.Samples = [](int, int) -> std::vector<uint32_t> { return {255, 255, 255, 100}; };
    WriteFile(folder / "soft.png", MakePng(recipe));
    TStringList list = {folder / "grey.bmp", folder / "soft.png", folder / "soft.png"};
    TBitmap scratch;
    TPictureDIBs slots = Convert(list, 0, scratch);
    ASSERT_TRUE(slots[2]);
    uint32_t mixed = (255 * 100 + 0x40 * 155 + 255) / 256;
    EXPECT_EQ(slots[2]->BitCount(), 32);
    EXPECT_EQ(slots[2]->PixelValue(10, 10), (100u << 24) | mixed * 0x010101u);
    // The second time the same file is drawn over its own first drawing.
    uint32_t twice = (255 * 100 + mixed * 155 + 255) / 256;
    EXPECT_EQ(slots[3]->PixelValue(10, 10), (100u << 24) | twice * 0x010101u);
}

TEST(PictureSlots, ChoosesTheDecoderBySubstringOfTheUpperCasedPath)
{
    EXPECT_EQ(ChooseSlotPath("/a/b.png"), TSlotPath::Png);
    EXPECT_EQ(ChooseSlotPath("/a.Png.d/b.jpg"), TSlotPath::Png);
    EXPECT_EQ(ChooseSlotPath("/a/b.JPG"), TSlotPath::Jpeg);
    EXPECT_EQ(ChooseSlotPath("/a/b.jpeg"), TSlotPath::Jpeg);
    EXPECT_EQ(ChooseSlotPath("/a.jpgs/b.bmp"), TSlotPath::Jpeg);
    EXPECT_EQ(ChooseSlotPath("/a/b.bmp"), TSlotPath::Generic);
    EXPECT_EQ(ChooseSlotPath("/a/png"), TSlotPath::Generic);
    EXPECT_EQ(TrimText(" \t x y \r\n"), "x y");
}

}
