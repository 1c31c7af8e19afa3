// File names and pictures on Windows: names in UTF-8 reach the system whole,
// bitmaps are decoded by GDI at every depth, and the screen can be copied.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/BmpFile.h"
#include "platform/DesktopCapture.h"
#include "platform/FileOpen.h"
#include "platform/XdgPaths.h"
#include "platform/win32/Wide.h"
#include "platform/win32/Windows.h"

namespace {

void Put16(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(uint8_t(value));
    bytes.push_back(uint8_t(value >> 8));
}
void Put32(std::vector<uint8_t>& bytes, uint32_t value)
{
    Put16(bytes, uint16_t(value));
    Put16(bytes, uint16_t(value >> 16));
}

// A bottom-up bitmap file; `rows` are the padded pixel rows, bottom first.
std::vector<uint8_t> BitmapFile(int32_t width, int32_t height, uint16_t bits, const std::vector<uint32_t>& palette,
                                const std::vector<uint8_t>& rows)
{
    std::vector<uint8_t> bytes;
    const uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size()) * 4;
    Put16(bytes, 0x4D42);
    Put32(bytes, offset + static_cast<uint32_t>(rows.size()));
    Put32(bytes, 0);
    Put32(bytes, offset);
    Put32(bytes, 40);
    Put32(bytes, static_cast<uint32_t>(width));
    Put32(bytes, static_cast<uint32_t>(height));
    Put16(bytes, 1);
    Put16(bytes, bits);
    Put32(bytes, 0);
    Put32(bytes, static_cast<uint32_t>(rows.size()));
    Put32(bytes, 2835);
    Put32(bytes, 2835);
    Put32(bytes, static_cast<uint32_t>(palette.size()));
    Put32(bytes, 0);
    for (uint32_t colour : palette)
        Put32(bytes, colour);
    bytes.insert(bytes.end(), rows.begin(), rows.end());
    return bytes;
}

TEST(Win32Files, Utf8NamesReachTheSystemWhole)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"tessaly-\u6587\u4EF6";
    std::filesystem::create_directories(folder);
    const std::string name = WideToUtf8((folder / L"\u6E56\u9762.txt").wstring());
    std::FILE* file = OpenFile(name, "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("ok", file);
    std::fclose(file);
    EXPECT_TRUE(std::filesystem::exists(folder / L"\u6E56\u9762.txt"));
    file = OpenFile(folder / L"\u6E56\u9762.txt", "rb");
    ASSERT_NE(file, nullptr);
    char text[4] = {};
    EXPECT_EQ(std::fread(text, 1, 3, file), 2u);
    std::fclose(file);
    EXPECT_STREQ(text, "ok");
    std::filesystem::remove_all(folder);
}

TEST(Win32Files, TheLogAndSettingsFolderIsTheUsersLocalAppData)
{
    const std::filesystem::path folder = XdgStateDir();
    EXPECT_EQ(folder.filename(), L"Tessaly");
    EXPECT_NE(folder.wstring().find(L"AppData"), std::wstring::npos) << folder.string();
}

TEST(Win32Files, BitmapsOfEveryDepthComeBackAsRowsFromTheTop)
{
    // 2x2, 24 bits: bottom row blue, white; top row red, green.
    const std::vector<uint8_t> rows24 = {255, 0, 0, 255, 255, 255, 0, 0,     // bottom, padded to 8
                                         0, 0, 255, 0, 255, 0, 0, 0};        // top
    const TBgrPixels deep = ReadBmpFile(BitmapFile(2, 2, 24, {}, rows24), 100);
    ASSERT_EQ(deep.Width, 2);
    ASSERT_EQ(deep.Height, 2);
    EXPECT_EQ(deep.Bgr, (std::vector<uint8_t>{0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}));

    // 8 bits with a palette; top-down (negative height).
    const std::vector<uint8_t> rows8 = {1, 0, 0, 0, 0, 1, 0, 0};
    const TBgrPixels indexed = ReadBmpFile(BitmapFile(2, -2, 8, {0x00102030, 0x00A0B0C0}, rows8), 100);
    EXPECT_EQ(indexed.Bgr, (std::vector<uint8_t>{0xC0, 0xB0, 0xA0, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0xC0, 0xB0, 0xA0}));
}

TEST(Win32Files, DamagedOrHugeBitmapsAreRefusedBeforeDecoding)
{
    const std::vector<uint8_t> rows = {0, 0, 0, 0};
    EXPECT_THROW(ReadBmpFile(BitmapFile(1, 1, 24, {}, rows), 0), EBmpFileError);
    std::vector<uint8_t> wrongMagic = BitmapFile(1, 1, 24, {}, rows);
    wrongMagic[0] = 'X';
    EXPECT_THROW(ReadBmpFile(wrongMagic, 100), EBmpFileError);
    std::vector<uint8_t> cut = BitmapFile(1, 1, 24, {}, rows);
    cut.resize(20);
    EXPECT_THROW(ReadBmpFile(cut, 100), EBmpFileError);
    EXPECT_THROW(ReadBmpFile(BitmapFile(70000, 70000, 24, {}, rows), UINT64_MAX), EBmpFileError);
}

TEST(Win32Files, TheDesktopCaptureCoversTheScreen)
{
    const auto pixels = CaptureDesktop();
    ASSERT_TRUE(pixels.has_value());
    EXPECT_EQ(pixels->Width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(pixels->Height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(pixels->Bgr.size(), size_t(pixels->Width) * size_t(pixels->Height) * 3);
}

}
