#include <gtest/gtest.h>

#include "render/TDIB.h"

namespace {

// A bitmap whose every pixel has a colour derived from its position.
TDIB Pattern(int32_t width, int32_t height, int32_t bitCount)
{
    TDIB dib;
    dib.SetSize(width, height, bitCount);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            dib.SetPixelValue(x, y, uint32_t(x * 7919 + y * 104729 + 0x5A000000u * (x & 1)));
        }
    }
    return dib;
}

TDIB RoundTrip(const TDIB& dib)
{
    TMemoryStream stream;
    dib.SaveToStream(stream);
    stream.SetPosition(0);
    TDIB back;
    back.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), stream.Size());
    return back;
}

TEST(TDIB, BmpStreamKeepsEveryFormatExactly)
{
    for (int32_t bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        TDIB dib = Pattern(13, 5, bits);   // odd width: rows need padding
        if (bits <= 8) {
            dib.ColorTable()[1] = TRGBQuad{10, 20, 30, 0};
        }
        TDIB back = RoundTrip(dib);
        EXPECT_EQ(back.Width(), 13);
        EXPECT_EQ(back.Height(), 5);
        EXPECT_EQ(back.BitCount(), bits);
        EXPECT_EQ(back.WidthBytes() % 4, 0);
        EXPECT_EQ(back.ColorTable(), dib.ColorTable());
        for (int32_t y = 0; y < 5; ++y) {
            for (int32_t x = 0; x < 13; ++x) {
                ASSERT_EQ(back.PixelValue(x, y), dib.PixelValue(x, y)) << x << "," << y;
            }
        }
    }
}

TEST(TDIB, OwnMasksTravelAsBitFields)
{
    TDIB dib;
    dib.SetSize(3, 2, 16);
    dib.SetMasks(0xF800, 0x07E0, 0x001F);
    dib.SetColor(1, 1, 0xFF8040);
    TDIB back = RoundTrip(dib);
    EXPECT_EQ(back.RedMask(), 0xF800u);
    EXPECT_EQ(back.GreenMask(), 0x07E0u);
    EXPECT_EQ(back.BlueMask(), 0x001Fu);
    // 5 and 6 bits widened by repeating their high bits.
    EXPECT_EQ(back.GetColor(1, 1), 0xFF8242u);
    EXPECT_THROW(dib.SetMasks(0xF0F0, 0x0F00, 0x000F), EInvalidGraphic);
}

TEST(TDIB, AlphaByteOfThirtyTwoBitsIsColourAlpha)
{
    TDIB dib;
    dib.SetSize(2, 1, 32);
    EXPECT_FALSE(dib.HasOwnAlpha());
    dib.SetColor(0, 0, 0x80112233);
    EXPECT_EQ(dib.PixelValue(0, 0), 0x80112233u);
    EXPECT_TRUE(dib.HasOwnAlpha());
    dib.ConvertTo(24);
    EXPECT_EQ(dib.GetColor(0, 0), 0x112233u);
    EXPECT_FALSE(dib.HasOwnAlpha());
    dib.ConvertTo(32);
    EXPECT_EQ(dib.PixelValue(0, 0), 0x00112233u);
}

TEST(TDIB, RowsAreStoredBottomUp)
{
    TDIB dib;
    dib.SetSize(1, 2, 24);
    dib.SetColor(0, 0, 0xABCDEF);
    EXPECT_EQ(dib.Bits()[dib.WidthBytes() + 2], 0xAB);   // top row stored last
}

TEST(TDIB, TopDownAndCoreHeadersLoad)
{
    // 2 × 2, 24 bits, negative height: first stored row is the top.
    std::vector<uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                                40, 0, 0, 0, 2, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 24, 0,
                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    TMemoryStream stream(bmp);
    TDIB dib;
    dib.LoadFromStream(stream);
    EXPECT_EQ(dib.GetColor(0, 0), 0x030201u);
    EXPECT_EQ(dib.GetColor(1, 1), 0x0C0B0Au);

    std::vector<uint8_t> core = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0,
                                 12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0,
                                 0, 0, 0, 0xFF, 0x80, 0x40, 0x80, 0, 0, 0};
    TMemoryStream coreStream(core);
    dib.LoadFromStream(coreStream);
    EXPECT_EQ(dib.BitCount(), 1);
    EXPECT_EQ(dib.GetColor(0, 0), 0x4080FFu);
}

TEST(TDIB, DamagedStreamThrowsAndKeepsTheBitmap)
{
    TDIB dib = Pattern(4, 4, 24);
    TMemoryStream full;
    dib.SaveToStream(full);
    std::vector<uint8_t> bytes = full.Bytes();
    std::vector<std::vector<uint8_t>> damaged = {
        {},
        {'B', 'X'},
        std::vector<uint8_t>(bytes.begin(), bytes.end() - 1),   // rows cut short
    };
    auto badDepth = bytes;
    badDepth[28] = 7;
    damaged.push_back(badDepth);
    auto rle = bytes;
    rle[30] = 1;
    damaged.push_back(rle);
    auto huge = bytes;
    huge[18] = huge[19] = huge[20] = 0x7F;
    damaged.push_back(huge);
    TDIB target = Pattern(2, 2, 8);
    for (auto& input : damaged) {
        TMemoryStream stream(input);
        EXPECT_THROW(target.LoadFromStream(stream), EInvalidGraphic);
        EXPECT_EQ(target.Width(), 2);
        EXPECT_EQ(target.BitCount(), 8);
    }
}

TEST(TDIB, NearestStretchSqueezesWithoutMixingPixels)
{
    TDIB wide;
    wide.SetSize(1000, 500, 24);
    for (int32_t x = 0; x < 1000; ++x) {
        for (int32_t y = 0; y < 500; ++y) {
            wide.SetColor(x, y, x < 500 ? 0xFF0000 : 0x0000FF);
        }
    }
    TDIB small;
    small.StretchFrom(wide, 256, 256);
    EXPECT_EQ(small.BitCount(), 24);
    EXPECT_EQ(small.GetColor(127, 0), 0xFF0000u);
    EXPECT_EQ(small.GetColor(128, 255), 0x0000FFu);

    // Drawing into part of a bigger bitmap, clipped at its edge.
    TDIB canvas;
    canvas.SetSize(10, 10, 32);
    TDIB dot;
    dot.SetSize(1, 1, 24);
    dot.SetColor(0, 0, 0x123456);
    canvas.StretchDraw({8, 8, 12, 12}, dot, dot.BoundsRect());
    EXPECT_EQ(canvas.GetColor(9, 9), 0x123456u);
    EXPECT_EQ(canvas.GetColor(7, 9), 0u);
}

TEST(TDIB, PaletteTargetTakesNearestColour)
{
    TDIB grey;
    grey.SetSize(1, 1, 4);
    grey.SetColor(0, 0, 0x808080);
    EXPECT_EQ(grey.PixelValue(0, 0), 8u);   // 136 is the nearest of 16 greys
}

}
