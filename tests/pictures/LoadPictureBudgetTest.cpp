// Pictures larger than they are shown: decoded reduced, streamed, refused when
// they cannot fit, stopped on request; and the log line that names the file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>

#include "PictureFixtures.h"
#include "pictures/ErrorLog.h"
#include "pictures/PictureFile.h"
#include "pictures/PngReduced.h"
#include "pictures/RowReducer.h"
#include "platform/FileStream.h"

namespace {

// Left half red, right half blue: a reduced picture keeps both halves.
uint32_t Halves(int x, int width) { return x < width / 2 ? 0xFF0000u : 0x0000FFu; }

// JPEG is lossy: each half is judged by its strong channel.
void ExpectHalves(const TDIB& dib)
{
    const int32_t y = dib.Height() / 2;
    const uint32_t left = dib.GetColor(1, y);
    const uint32_t right = dib.GetColor(dib.Width() - 2, y);
    EXPECT_TRUE(Red(left) > 200 && Blue(left) < 50) << std::hex << left;
    EXPECT_TRUE(Blue(right) > 200 && Red(right) < 50) << std::hex << right;
}

TEST(LoadPicture, LargerThanTheBoxDecodesReducedAndReportsTheFullSize)
{
    TTempFolder folder;
    WriteFile(folder / "wide.jpg", MakeJpeg(1600, 400, [](int x, int) { return Halves(x, 1600); }));
    TPngRecipe recipe;
    recipe.Width = 1200;
    recipe.Height = 900;
    recipe.ColorType = 2;
    recipe.Samples = [](int x, int) {
        const uint32_t c = Halves(x, 1200);
        return std::vector<uint32_t>{Red(c), Green(c), Blue(c)};
    };
    WriteFile(folder / "big.png", MakePng(recipe));
    recipe.Interlaced = true;
    WriteFile(folder / "interlaced.png", MakePng(recipe));

    // An interlaced picture is decoded whole first, so its box must allow that.
    const TLoadedPicture interlaced = LoadPicture(folder / "interlaced.png", TPictureBox{900, 675});
    EXPECT_EQ(interlaced.Dib.Width(), 900);
    ExpectHalves(interlaced.Dib);

    const TPictureBox box{200, 150};
    for (const char* name : {"wide.jpg", "big.png"}) {
        SCOPED_TRACE(name);
        TLoadedPicture picture = LoadPicture(folder / name, box);
        EXPECT_LE(picture.Dib.Width(), box.Width);
        EXPECT_LE(picture.Dib.Height(), box.Height);
        ExpectHalves(picture.Dib);
    }
    TLoadedPicture wide = LoadPicture(folder / "wide.jpg", box);
    EXPECT_EQ(wide.Width, 1600);
    EXPECT_EQ(wide.Height, 400);
    EXPECT_EQ(wide.Dib.Width(), 200);
    EXPECT_EQ(wide.Dib.Height(), 50);

    // No larger than the box: as it is, pixel for pixel.
    TLoadedPicture same = LoadPicture(folder / "big.png", TPictureBox{1200, 900});
    EXPECT_EQ(same.Dib.Width(), 1200);
    EXPECT_EQ(same.Dib.Height(), 900);
}

TEST(LoadPicture, WhatCannotFitTheBudgetIsRefusedAsTooLarge)
{
    TTempFolder folder;
    TDIB bitmap;
    bitmap.SetSize(400, 300, 24);
    WriteFile(folder / "big.bmp", MakeBmp(bitmap));
    TPngRecipe recipe;
    recipe.Width = 600;
    recipe.Height = 600;
    recipe.ColorType = 0;
    recipe.Interlaced = true;
    recipe.Samples = [](int, int) { return std::vector<uint32_t>{128}; };
    WriteFile(folder / "interlaced.png", MakePng(recipe));
    // Two 32-bit bitmaps of 100 x 100 are 80000 bytes: neither file fits.
    for (const char* name : {"big.bmp", "interlaced.png"}) {
        try {
            LoadPicture(folder / name, TPictureBox{100, 100});
            ADD_FAILURE() << name << " was loaded";
        } catch (const EInvalidGraphic& error) {
            EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos) << error.what();
        }
    }
}

TEST(LoadPicture, JunkStopsAtItsFirstBytesAndAStopRequestEndsTheLoad)
{
    TTempFolder folder;
    WriteFile(folder / "junk.jpg", std::vector<uint8_t>(8 << 20, 0));
    try {
        LoadPicture(folder / "junk.jpg", TPictureBox{});
        ADD_FAILURE();
    } catch (const EInvalidGraphic& error) {
        EXPECT_STREQ(error.what(), "Not a JPEG file: starts with 0x00 0x00");
    }
    WriteFile(folder / "good.jpg", MakeJpeg(64, 64, [](int, int) { return 0x808080u; }));
    const std::atomic<bool> stop{true};
    EXPECT_THROW(LoadPicture(folder / "good.jpg", TPictureBox{}, &stop), EFileStreamStopped);
}

TEST(FileStream, ReadsRegularFilesWholeAndRefusesFifosWithoutWaiting)
{
    TTempFolder folder;
    std::vector<uint8_t> bytes(300000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7);
    WriteFile(folder / "data.bin", bytes);
    EXPECT_EQ(ReadPictureFileBytes(folder / "data.bin"), bytes);
    EXPECT_THROW(ReadPictureFileBytes(folder / "data.bin", 1000), EPictureTooLarge);

    // Opening a FIFO for reading would wait for a writer that never comes.
    ASSERT_EQ(mkfifo((folder / "fifo.jpg").c_str(), 0600), 0);
    TFileStream fifo(folder / "fifo.jpg");
    try {
        fifo.Size();
        ADD_FAILURE();
    } catch (const EFileStreamError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + folder / "fifo.jpg" + "\". It is not a regular file");
    }
    EXPECT_THROW(TFileStream(folder.Path().string()).Size(), EFileStreamError);
}

TEST(RowReducer, EveryTargetPixelIsTheAverageOfWhatItCovers)
{
    TRowReducer reducer(4, 2, 2, 1);
    const uint8_t top[12] = {0, 0, 0, 100, 100, 100, 10, 20, 30, 10, 20, 30};
    const uint8_t bottom[12] = {0, 0, 0, 100, 100, 100, 30, 40, 50, 30, 40, 50};
    reducer.AddRow(top);
    reducer.AddRow(bottom);
    const uint8_t* row = reducer.Result().ScanLine(0);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 6), (std::vector<uint8_t>{50, 50, 50, 20, 30, 40}));

    EXPECT_EQ(ReducedSize(100, 50, 200, 200).Width, 100);
    const TReducedSize wide = ReducedSize(16000, 4000, 1920, 1080);
    EXPECT_EQ(wide.Width, 1920);
    EXPECT_EQ(wide.Height, 480);
}

TEST(ErrorLog, EveryLineNamesTheFileAndTheReason)
{
    EXPECT_EQ(PictureFailureLine("/p/a.png", "PNG image is not valid"), "Cannot show \"/p/a.png\". PNG image is not valid");
    EXPECT_EQ(PictureFailureLine("/p/a.png", "Cannot open file \"/p/a.png\". No such file or directory"),
              "Cannot open file \"/p/a.png\". No such file or directory");
}

}
