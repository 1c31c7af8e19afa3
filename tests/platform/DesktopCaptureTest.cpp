#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/BmpFile.h"
#include "platform/DesktopCapture.h"

namespace {

// Restores an environment variable when the test ends.
class TEnvironment {
public:
    TEnvironment(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value, 1);
    }
    ~TEnvironment()
    {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DesktopCapture, NoDisplayMeansNoCapture)
{
    TEnvironment display("DISPLAY", ":9876");
    EXPECT_FALSE(CaptureDesktop());
}

// 4 × 2, 8 bits, run-length coded: a run of 3 × index 1, then index 2, end
// of line; then a 4 × index 0 run, end of bitmap.
TEST(BmpFile, RunLengthCodedBitmapDecodes)
{
    std::vector<uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0,
                                40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 1, 0, 0, 0,
                                12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0,
                                0, 0, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0,
                                3, 1, 1, 2, 0, 0, 4, 0, 0, 1};
    TBgrPixels pixels = ReadBmpFile(bmp, 100);
    ASSERT_EQ(pixels.Width, 4);
    ASSERT_EQ(pixels.Height, 2);
    // Rows come top first; the file stores the bottom one first.
    const std::vector<uint8_t> top(12, 0);
    EXPECT_EQ(std::vector<uint8_t>(pixels.Bgr.begin(), pixels.Bgr.begin() + 12), top);
    const std::vector<uint8_t> bottom = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(pixels.Bgr.begin() + 12, pixels.Bgr.end()), bottom);
}

TEST(BmpFile, DamagedOrHugeBitmapsAreRefusedWithAMessage)
{
    std::vector<uint8_t> huge = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                                 40, 0, 0, 0, 0, 0x40, 0, 0, 0, 0x40, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0};
    EXPECT_THROW(ReadBmpFile(huge, 1 << 20), EBmpFileError);
    std::vector<uint8_t> cut = huge;
    cut[19] = 0;
    cut[23] = 0;
    cut[18] = 2;
    cut[22] = 2;
    try {
        ReadBmpFile(cut, 1 << 20);
        FAIL();
    } catch (const EBmpFileError& error) {
        EXPECT_STRNE(error.what(), "");
    }
    EXPECT_THROW(ReadBmpFile(std::vector<uint8_t>{'P', 'K'}, 100), EBmpFileError);
}

}
