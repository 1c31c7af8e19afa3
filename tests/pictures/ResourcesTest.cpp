#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdio>

#include "PictureFixtures.h"
#include "pictures/JpegDecode.h"
#include "pictures/PngAlpha.h"
#include "pictures/Resources.h"

namespace {

struct TStyleImage {
    const char* Name;
    int ColorType;
};

// Alpha of a built-in PNG at (x, y).
uint32_t AlphaAt(const TPngImage& image, int x, int y)
{
    return image.Pixels[size_t(y) * size_t(image.Width) + size_t(x)] >> 24;
}

TEST(Resources, StyleImagesAndMasksAreStoredAsDocumented)
{
    const TStyleImage images[] = {
        {"BALL", 4}, {"BALL1", 4}, {"BALL2", 6}, {"HEART", 4}, {"HEART1", 4}, {"HEART2", 4},
        {"GLASS", 6}, {"GLASS1", 6}, {"GLASS2", 6}, {"MASK1", 6}, {"MASK2", 6},
    };
    for (const TStyleImage& expected : images) {
        SCOPED_TRACE(expected.Name);
        std::optional<TPngImage> image = DecodePng(FindResourceData(expected.Name, "PNG"));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->Width, 256);
        EXPECT_EQ(image->Height, 256);
        EXPECT_EQ(image->ColorType, expected.ColorType);
        EXPECT_EQ(image->BitDepth, 8);
    }
}

TEST(Resources, ShapesHaveTheirDocumentedLook)
{
    auto image = [](const char* name) { return *DecodePng(FindResourceData(name, "PNG")); };
    TPngImage ball = image("BALL");
    EXPECT_LT(AlphaAt(ball, 128, 128), 40u);    // almost clear inside
    EXPECT_GT(AlphaAt(ball, 128, 6), 120u);     // the rim
    EXPECT_EQ(AlphaAt(ball, 0, 0), 0u);
    TPngImage shadow = image("BALL2");
    EXPECT_EQ(AlphaAt(shadow, 128, 128), 33u);
    EXPECT_EQ(shadow.Pixels[128 * 256 + 128] & 0xFFFFFF, 0u);
    TPngImage frame = image("GLASS");
    EXPECT_EQ(AlphaAt(frame, 12, 128), 255u);
    EXPECT_EQ(AlphaAt(frame, 128, 128), 0u);

    TPngImage square = image("MASK1");
    EXPECT_EQ(AlphaAt(square, 31, 31), 255u);
    EXPECT_EQ(AlphaAt(square, 224, 128), 255u);
    EXPECT_EQ(AlphaAt(square, 0, 128), 0u);
    EXPECT_LT(AlphaAt(square, 15, 128), 255u);
    EXPECT_GT(AlphaAt(square, 15, 128), 0u);

    TPngImage blob = image("MASK2");
    int opaque = 0;
    for (uint32_t pixel : blob.Pixels) {
        opaque += (pixel >> 24) == 255;
    }
    EXPECT_NEAR(double(opaque) / (256.0 * 256.0), 0.38, 0.03);
    EXPECT_EQ(AlphaAt(blob, 128, 128), 255u);
    EXPECT_EQ(AlphaAt(blob, 2, 2), 0u);
}

TEST(Resources, BackgroundIsABaselineColourJpeg)
{
    std::span<const uint8_t> back = FindResourceData("back", "jpg");
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, back.data(), static_cast<unsigned long>(back.size()));
    ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
    EXPECT_EQ(info.image_width, 544u);
    EXPECT_EQ(info.image_height, 395u);
    EXPECT_EQ(info.num_components, 3);
    EXPECT_FALSE(info.progressive_mode);
    jpeg_destroy_decompress(&info);
}

TEST(Resources, UnknownNameOrTypeIsNotFound)
{
    EXPECT_NO_THROW(FindResourceData("mask1", "png"));
    try {
        FindResourceData("BACK", "PNG");
        FAIL();
    } catch (const EResNotFound& error) {
        EXPECT_STREQ(error.what(), "Resource BACK not found");
    }
    EXPECT_THROW(FindResourceData("MASK3", "PNG"), EResNotFound);
}

}
