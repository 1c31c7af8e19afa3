#include <gtest/gtest.h>

#include "PictureFixtures.h"
#include "pictures/PngAlpha.h"

namespace {

bool Convert(const std::vector<uint8_t>& png, TBitmap& bitmap)
{
    TMemoryStream stream(png);
    return PngStreamToBitmap(stream, bitmap);
}

// A 4 × 3 bitmap of one colour, to draw over.
TBitmap Filled(uint32_t colour, int32_t bitCount = 24)
{
    TBitmap bitmap;
    bitmap.Dib.SetSize(4, 3, bitCount);
    bitmap.Dib.Fill(colour);
    return bitmap;
}

struct TDepthCase {
    int ColorType;
    int BitDepth;
    int32_t ExpectedBitCount;
};

uint32_t MaxSample(int depth)
{
    return (1u << depth) - 1;
}

// Every colour type at every depth it allows: the bitmap format follows the
// PNG, the pixel at (1, 2) has the colour the samples give, and only grey or
// colour with alpha carries an alpha byte.
TEST(PngStreamToBitmap, EveryColourTypeAndBitDepth)
{
    const TDepthCase cases[] = {
        {0, 1, 1}, {0, 2, 4}, {0, 4, 4}, {0, 8, 24}, {0, 16, 24},
        {3, 1, 1}, {3, 2, 4}, {3, 4, 4}, {3, 8, 8},
        {2, 8, 24}, {2, 16, 24},
        {4, 8, 32}, {4, 16, 32},
        {6, 8, 32}, {6, 16, 32},
    };
    for (const TDepthCase& c : cases) {
        SCOPED_TRACE("colour type " + std::to_string(c.ColorType) + " depth " + std::to_string(c.BitDepth));
        TPngRecipe recipe;
        recipe.ColorType = c.ColorType;
        recipe.BitDepth = c.BitDepth;
        uint32_t top = MaxSample(c.BitDepth);
        if (c.ColorType == 3) {
            for (uint32_t i = 0; i <= top; ++i) {
                recipe.Palette.push_back(0x102030u * (i + 1));
            }
        }
        // (1, 2) gets the brightest grey / last index / pure red; others 0.
        recipe.Samples = [&](int x, int y) -> std::vector<uint32_t> {
            bool mark = x == 1 && y == 2;
            switch (c.ColorType) {
            case 0: case 3: return {mark ? top : 0};
            case 2: return {mark ? top : 0, 0, 0};
            case 4: return {mark ? top : 0, top};
            default: return {mark ? top : 0, 0, 0, top};
            }
        };
        TBitmap bitmap = Filled(0x00FF00);
        ASSERT_TRUE(Convert(MakePng(recipe), bitmap));
        const TDIB& dib = bitmap.Dib;
        EXPECT_EQ(dib.Width(), 4);
        EXPECT_EQ(dib.Height(), 3);
        EXPECT_EQ(dib.BitCount(), c.ExpectedBitCount);
        uint32_t expected = c.ColorType == 3 ? (0x102030u * (top + 1)) & 0xFFFFFF
                          : c.ColorType == 2 || c.ColorType == 6 ? 0xFF0000u
                                                                  : 0xFFFFFFu;
        EXPECT_EQ(dib.GetColor(1, 2) & 0xFFFFFF, expected);
        uint32_t other = c.ColorType == 3 ? 0x102030u : 0u;
        EXPECT_EQ(dib.GetColor(0, 0) & 0xFFFFFF, other);
        if (c.ExpectedBitCount == 32) {
            EXPECT_EQ(Alpha(dib.GetColor(1, 2)), 255u);
        }
        EXPECT_FALSE(bitmap.Transparent);
    }
}

// Partly clear pixels mix with what the bitmap held at the same spot,
// (source × alpha + old × (255 − alpha) + 255) div 256, while the alpha byte
// is the file's own, not premultiplied.
TEST(PngStreamToBitmap, AlphaBlendsOverTheOldPixelsAndKeepsTheFileAlpha)
{
    const uint32_t alphas[] = {0, 1, 128, 254, 255};
    TPngRecipe recipe;
    recipe.Width = 5;
    recipe.Height = 1;
    recipe.Samples = [&](int x, int) -> std::vector<uint32_t> { return {200, 100, 0, alphas[x]}; };
    TBitmap bitmap;
    bitmap.Dib.SetSize(5, 1, 32);
    bitmap.Dib.Fill(0x7F10203C);   // old alpha byte must not survive
    ASSERT_TRUE(Convert(MakePng(recipe), bitmap));
    for (int x = 0; x < 5; ++x) {
        uint32_t a = alphas[x];
        uint32_t pixel = bitmap.Dib.PixelValue(x, 0);
        EXPECT_EQ(Alpha(pixel), a);
        EXPECT_EQ(Red(pixel), (200 * a + 0x10 * (255 - a) + 255) / 256);
        EXPECT_EQ(Green(pixel), (100 * a + 0x20 * (255 - a) + 255) / 256);
        EXPECT_EQ(Blue(pixel), (0 * a + 0x3C * (255 - a) + 255) / 256);
    }

    // Grey with alpha at 16 bits: the high byte of each sample counts.
    TPngRecipe grey;
    grey.Width = 1;
    grey.Height = 1;
    grey.ColorType = 4;
    grey.BitDepth = 16;
    grey.Samples = [](int, int) -> std::vector<uint32_t> { return {0xFF00, 0x80FF}; };
    TBitmap over = Filled(0x000000);
    ASSERT_TRUE(Convert(MakePng(grey), over));
    EXPECT_EQ(over.Dib.PixelValue(0, 0), 0x80808080u);
}

// A bitmap that grows keeps its old pixels where they overlap; where it had
// none the drawing goes over white.
TEST(PngStreamToBitmap, GrownAreaIsWhiteAndOverlapKeepsOldPixels)
{
    TPngRecipe recipe;
    recipe.Width = 6;
    recipe.Height = 4;
    recipe.Samples = [](int, int) -> std::vector<uint32_t> { return {0, 0, 0, 0}; };
    TBitmap bitmap = Filled(0x336699);   // 4 × 3
    ASSERT_TRUE(Convert(MakePng(recipe), bitmap));
    EXPECT_EQ(bitmap.Dib.GetColor(3, 2), 0x00336699u);
    EXPECT_EQ(bitmap.Dib.GetColor(5, 0), 0x00FFFFFFu);
    EXPECT_EQ(bitmap.Dib.GetColor(0, 3), 0x00FFFFFFu);
}

// One transparent colour: its pixels are not drawn, the bitmap is marked with
// that colour, and no alpha results.
TEST(PngStreamToBitmap, TransparentColourIsLeftUndrawn)
{
    struct TCase {
        int ColorType;
        int BitDepth;
        std::vector<uint16_t> Key;
        std::vector<uint32_t> KeySamples;
        std::vector<uint32_t> OtherSamples;
        uint32_t MarkedColour;
    };
    const TCase cases[] = {
        {2, 8, {10, 20, 30}, {10, 20, 30}, {10, 20, 31}, 0x0A141E},
        {2, 16, {0x0A00, 0x1400, 0x1E00}, {0x0A00, 0x1400, 0x1E00}, {0x0A00, 0x1400, 0x1E01}, 0x0A141E},
        {0, 8, {77}, {77}, {78}, 0x4D4D4D},
        {0, 2, {1}, {1}, {2}, 0x555555},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE("colour type " + std::to_string(c.ColorType) + " depth " + std::to_string(c.BitDepth));
        TPngRecipe recipe;
        recipe.ColorType = c.ColorType;
        recipe.BitDepth = c.BitDepth;
        recipe.TransparentColour = c.Key;
        recipe.Samples = [&](int x, int) { return x == 0 ? c.KeySamples : c.OtherSamples; };
        TBitmap bitmap = Filled(0xC0C0C0);
        ASSERT_TRUE(Convert(MakePng(recipe), bitmap));
        EXPECT_TRUE(bitmap.Transparent);
        EXPECT_EQ(bitmap.TransparentColor, c.MarkedColour);
        EXPECT_EQ(bitmap.Dib.GetColor(0, 1) & 0xFFFFFF, c.ColorType == 0 && c.BitDepth == 2 ? 0xAAAAAAu : 0xC0C0C0u);
        EXPECT_NE(bitmap.Dib.GetColor(1, 1) & 0xFFFFFF, 0xC0C0C0u);
        EXPECT_NE(bitmap.Dib.BitCount(), 32);
    }

    // A palette entry without opacity is not drawn either.
    TPngRecipe palette;
    palette.ColorType = 3;
    palette.Palette = {0xFF0000, 0x00FF00};
    palette.PaletteAlpha = {0};
    palette.Samples = [](int x, int) -> std::vector<uint32_t> { return {x == 0 ? 0u : 1u}; };
    TBitmap over = Filled(0x10E020);
    ASSERT_TRUE(Convert(MakePng(palette), over));
    EXPECT_TRUE(over.Transparent);
    EXPECT_EQ(over.Dib.BitCount(), 8);
    EXPECT_EQ(over.Dib.GetColor(1, 0), 0x00FF00u);
    // The old colour maps to the nearest palette colour, the bitmap being 8 bits.
    EXPECT_EQ(over.Dib.GetColor(0, 0) & 0xFFFFFF, 0x00FF00u);
}

TEST(PngStreamToBitmap, InterlacedGivesTheSamePixels)
{
    TPngRecipe recipe;
    recipe.Width = 13;
    recipe.Height = 11;
    recipe.Samples = [](int x, int y) -> std::vector<uint32_t> {
        return {uint32_t(x * 19), uint32_t(y * 23), uint32_t(x * y), uint32_t((x + y) * 10)};
    };
    TBitmap plain, interlaced;
    ASSERT_TRUE(Convert(MakePng(recipe), plain));
    recipe.Interlaced = true;
    ASSERT_TRUE(Convert(MakePng(recipe), interlaced));
    TMemoryStream a, b;
    plain.Dib.SaveToStream(a);
    interlaced.Dib.SaveToStream(b);
    EXPECT_EQ(a.Bytes(), b.Bytes());
}

// Anything that is not a whole valid PNG answers false and changes nothing;
// a valid one leaves the stream just past its end.
TEST(PngStreamToBitmap, FailureLeavesTheBitmapUntouched)
{
    TPngRecipe recipe;
    recipe.Samples = [](int, int) -> std::vector<uint32_t> { return {1, 2, 3, 4}; };
    std::vector<uint8_t> good = MakePng(recipe);
    std::vector<std::vector<uint8_t>> bad = {
        {},
        {1, 2, 3},
        std::vector<uint8_t>(good.begin(), good.begin() + 40),
        std::vector<uint8_t>(good.begin(), good.end() - 13),
    };
    auto crc = good;
    crc[30] ^= 0xFF;   // inside the header chunk
    bad.push_back(crc);
    for (const auto& bytes : bad) {
        TBitmap bitmap = Filled(0x123456, 32);
        TMemoryStream before;
        bitmap.Dib.SaveToStream(before);
        TMemoryStream stream(bytes);
        EXPECT_FALSE(PngStreamToBitmap(stream, bitmap));
        TMemoryStream after;
        bitmap.Dib.SaveToStream(after);
        EXPECT_EQ(before.Bytes(), after.Bytes());
        EXPECT_EQ(stream.Position(), 0u);
    }

    std::vector<uint8_t> twice = good;
    twice.insert(twice.end(), good.begin(), good.end());
    TMemoryStream stream(twice);
    TBitmap bitmap;
    ASSERT_TRUE(PngStreamToBitmap(stream, bitmap));
    EXPECT_EQ(stream.Position(), good.size());
    EXPECT_TRUE(PngStreamToBitmap(stream, bitmap));
}

TEST(ReadPngSize, HeaderOnly)
{
    TPngRecipe recipe;
    recipe.Width = 300;
    recipe.Height = 2;
    recipe.ColorType = 0;
    recipe.Samples = [](int, int) -> std::vector<uint32_t> { return {0}; };
    std::vector<uint8_t> png = MakePng(recipe);
    auto size = ReadPngSize(std::span<const uint8_t>(png).first(24));
    ASSERT_TRUE(size);
    EXPECT_EQ(size->Width, 300);
    EXPECT_EQ(size->Height, 2);
    EXPECT_FALSE(ReadPngSize(std::span<const uint8_t>(png).first(23)));
}

}
