#include <gtest/gtest.h>

#include "PictureFixtures.h"
#include "pictures/JpegDecode.h"
#include "pictures/PictureFile.h"

namespace {

std::string MessageOf(const std::string& fileName)
{
    try {
        LoadPictureFile(fileName);
    } catch (const EInvalidGraphic& error) {
        return error.what();
    }
    return "loaded";
}

TEST(LoadPictureFile, KindFollowsTheExtensionInAnyCase)
{
    TTempFolder folder;
    TDIB bmp;
    bmp.SetSize(5, 4, 8);
    bmp.ColorTable()[3] = TRGBQuad{0x30, 0x20, 0x10, 0};
    bmp.Fill(0x102030);
    TPngRecipe png;
    png.Samples = [](int x, int) -> std::vector<uint32_t> { return {255, 0, 0, x == 0 ? 0u : 255u}; };
    auto jpeg = MakeJpeg(6, 2, [](int, int) { return 0x808080u; });
    struct TCase {
        std::string Name;
        std::vector<uint8_t> Bytes;
        int32_t Width;
        int32_t BitCount;
    };
    const TCase cases[] = {
        {"a.BMP", MakeBmp(bmp), 5, 24}, {"b.Dib", MakeBmp(bmp), 5, 24}, {"c.jpg", jpeg, 6, 24},
        {"d.JPEG", jpeg, 6, 24},        {"e.PnG", MakePng(png), 4, 32},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFile(folder / c.Name, c.Bytes);
        TDIB dib = LoadPictureFile(folder / c.Name);
        EXPECT_EQ(dib.Width(), c.Width);
        EXPECT_EQ(dib.BitCount(), c.BitCount);
    }
    EXPECT_EQ(LoadPictureFile(folder / "a.BMP").GetColor(4, 3), 0x102030u);
    // A PNG picture on its own is drawn over black.
    TDIB alpha = LoadPictureFile(folder / "e.PnG");
    EXPECT_EQ(alpha.PixelValue(0, 0), 0u);
    EXPECT_EQ(alpha.PixelValue(1, 0), 0xFFFF0000u);
}

TEST(LoadPictureFile, UnreadableKindsAndUnknownExtensionsFailWithMessages)
{
    TTempFolder folder;
    for (const char* name : {"x.ico", "x.EMF", "x.wmf", "x.gif", "x.tar.gz", "noextension"}) {
        WriteFile(folder / name, {0, 0, 1, 0});
    }
    EXPECT_EQ(MessageOf(folder / "x.gif"), "Unknown picture file extension (.gif)");
    EXPECT_EQ(MessageOf(folder / "x.tar.gz"), "Unknown picture file extension (.gz)");
    EXPECT_EQ(MessageOf(folder / "noextension"), "Unknown picture file extension (.)");
    for (const char* name : {"x.ico", "x.EMF", "x.wmf"}) {
        EXPECT_NE(MessageOf(folder / name).find("cannot be read"), std::string::npos) << name;
    }
    EXPECT_EQ(MessageOf(folder / "gone.jpg").rfind("Cannot open file \"" + folder / "gone.jpg" + "\".", 0), 0u);
    WriteFile(folder / "bad.png", {1, 2, 3});
    EXPECT_EQ(MessageOf(folder / "bad.png"), "PNG image is not valid");
    WriteFile(folder / "bad.bmp", {'B', 'M', 1});
    EXPECT_NE(MessageOf(folder / "bad.bmp"), "loaded");
}

TEST(DecodeJpeg, DamagedDataThrowsTheLibraryMessageInsteadOfEndingTheProgram)
{
    std::vector<uint8_t> good = MakeJpeg(16, 16, [](int x, int y) { return uint32_t(x * 0x100000 + y * 0x10); });
    try {
        DecodeJpeg(std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xC0, 0, 2, 9});
        FAIL();
    } catch (const EJpegError& error) {
        EXPECT_STRNE(error.what(), "");
    }
    EXPECT_THROW(DecodeJpeg(std::vector<uint8_t>{'n', 'o'}), EJpegError);
    EXPECT_THROW(ReadJpegSize(std::vector<uint8_t>{}), EJpegError);
    // Cut short, the picture still comes out as far as it goes.
    std::vector<uint8_t> busy = MakeJpeg(64, 64, [](int x, int y) { return uint32_t(x * y * 2654435761u); });
    TDIB cut = DecodeJpeg(std::span<const uint8_t>(busy).first(busy.size() * 3 / 4));
    EXPECT_EQ(cut.Width(), 64);

    TDIB dib = DecodeJpeg(good);
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(ReadJpegSize(good).Height, 16);
    EXPECT_NEAR(double(Red(dib.GetColor(15, 0))), 0xF0, 20);
    EXPECT_NEAR(double(Blue(dib.GetColor(0, 15))), 0xF0, 20);

    TDIB grey = DecodeJpeg(MakeJpeg(4, 4, [](int, int) { return 0x60u; }, 95, true));
    EXPECT_EQ(grey.BitCount(), 24);
    EXPECT_NEAR(double(Green(grey.GetColor(2, 2))), 0x60, 2);
    EXPECT_EQ(Red(grey.GetColor(2, 2)), Blue(grey.GetColor(2, 2)));
}

TEST(DecodeJpeg, ARowHandlerThatThrowsReleasesTheDecoder)
{
    std::vector<uint8_t> good = MakeJpeg(8, 8, [](int, int) { return 0u; });
    int rows = 0;
    EXPECT_THROW(DecodeJpegRows(
                     good, [](const TJpegSize&) {},
                     [&](int32_t, const uint8_t*) {
                         if (++rows == 3) {
                             throw std::runtime_error("enough");
                         }
                     }),
                 std::runtime_error);
    EXPECT_EQ(rows, 3);
}

}
