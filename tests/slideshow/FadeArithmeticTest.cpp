#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pictures/FadeBlend.h"
#include "pictures/PictureFit.h"
#include "SlideshowSupport.h"

namespace {

// The mix written out pixel by pixel, as plainly as it reads.
void ReferenceBlend(std::vector<uint8_t>& current, const std::vector<uint8_t>& next, int32_t weight)
{
    for (size_t p = 0; p + 2 < next.size(); p += 3) {
        if (next[p] == 0 && next[p + 1] == 0 && next[p + 2] == 101)
            continue;
        for (size_t k = p; k < p + 3; ++k)
            current[k] = uint8_t((weight * next[k] + (256 - weight) * current[k]) / 256);
    }
}

TEST(FadeBlend, RowsOfEveryLengthMatchThePlainMixIncludingKeyPixels)
{
    std::mt19937 random(7);
    // Lengths around the 16-pixel blocks and the pixels kept outside them.
    for (int32_t pixels : {1, 2, 3, 16, 17, 18, 19, 33, 34, 35, 64, 101}) {
        std::vector<uint8_t> next(size_t(pixels) * 3), current(next.size());
        for (auto& byte : next)
            byte = uint8_t(random());
        for (auto& byte : current)
            byte = uint8_t(random());
        for (int32_t x = 0; x < pixels; x += 3) {
            // Key pixels, and the key's bytes straddling two pixels, which
            // must not count as the key.
            next[size_t(x) * 3] = 0;
            next[size_t(x) * 3 + 1] = 0;
            next[size_t(x) * 3 + 2] = 101;
            if (x + 2 < pixels) {
                next[size_t(x + 1) * 3 + 1] = 0;
                next[size_t(x + 1) * 3 + 2] = 0;
                next[size_t(x + 2) * 3] = 101;
            }
        }
        for (int32_t weight : {0, 15, 128, 255, 256}) {
            std::vector<uint8_t> expected = current, actual = current;
            ReferenceBlend(expected, next, weight);
            BlendRow(actual.data(), next.data(), pixels, weight);
            EXPECT_EQ(actual, expected) << pixels << " pixels, weight " << weight;
        }
    }
}

TEST(FadeBlend, TwentyFiveStepsReachTheNewPictureExceptWhereItHasTheKeyColour)
{
    TDIB current, next;
    current.SetSize(21, 3, 24);
    next.SetSize(21, 3, 24);
    current.Fill(0x204080);
    next.Fill(0xF0C010);
    next.SetColor(5, 1, 0x650000);   // red 101, green 0, blue 0
    next.SetColor(6, 1, 0x660000);   // one off: an ordinary colour
    for (int32_t step = 1; step <= FadeSteps; ++step)
        BlendPicture(current, next, FadeWeight(step));
    EXPECT_EQ(current.GetColor(5, 1), 0x204080u);
    EXPECT_EQ(current.GetColor(6, 1), FadedColour(0x204080, 0x660000, FadeSteps));
    EXPECT_EQ(current.GetColor(20, 2), FadedColour(0x204080, 0xF0C010, FadeSteps));
    // The last weight is 255: what is left of the old picture is at most
    // the truncation.
    EXPECT_EQ(FadeWeight(FadeSteps), 255);
    EXPECT_LE(0xF0 - ((current.GetColor(0, 0) >> 16) & 0xFF), 1u);
}

TEST(FadeBlend, OnlyTheRowsAndColumnsBothPicturesHaveAreMixed)
{
    TDIB current, next;
    current.SetSize(4, 3, 24);
    next.SetSize(2, 5, 24);
    current.Fill(0x000000);
    next.Fill(0xFFFFFF);
    BlendPicture(current, next, 128);
    EXPECT_EQ(current.GetColor(1, 2), 0x7F7F7Fu);
    EXPECT_EQ(current.GetColor(2, 0), 0u);
}

TEST(PictureFit, PortraitGetsBarsLeftAndRightPanoramaAboveAndBelow)
{
    const TRect portrait = FitRect(300, 600, 800, 600, 800, 600);
    EXPECT_EQ(portrait.Left, 250);
    EXPECT_EQ(portrait.Right, 550);
    EXPECT_EQ(portrait.Top, 0);
    EXPECT_EQ(portrait.Bottom, 600);

    const TRect panorama = FitRect(1600, 300, 800, 600, 800, 600);
    EXPECT_EQ(panorama.Left, 0);
    EXPECT_EQ(panorama.Right, 800);
    EXPECT_EQ(panorama.Top, 225);
    EXPECT_EQ(panorama.Bottom, 375);

    const TRect same = FitRect(400, 300, 800, 600, 800, 600);
    EXPECT_EQ(same.Left, 0);
    EXPECT_EQ(same.Top, 0);
    EXPECT_EQ(same.Right, 800);
    EXPECT_EQ(same.Bottom, 600);

    // An empty picture keeps the whole image rather than dividing by zero.
    EXPECT_EQ(FitRect(0, 0, 60, 40, 60, 40).Right, 60);
}

TEST(PictureFit, BarsAreRoundedHalvesToEvenThenHalvedTowardsZero)
{
    // 10 − 9 × 10 ÷ 20 = 5.5 rounds to 6 (truncation would give 5), halved 3.
    const TRect tie = FitRect(9, 20, 10, 10, 10, 10);
    EXPECT_EQ(tie.Left, 3);
    EXPECT_EQ(tie.Right, 7);
    // 10 − 7 × 10 ÷ 20 = 6.5 rounds to the even 6, halved 3; 10 − 10 ÷ 4 =
    // 7.5 rounds to 8, halved 4.
    EXPECT_EQ(FitRect(7, 20, 10, 10, 10, 10).Left, 3);
    EXPECT_EQ(FitRect(1, 4, 10, 10, 10, 10).Left, 4);
    // Above and below the same way.
    EXPECT_EQ(FitRect(20, 9, 10, 10, 10, 10).Top, 3);
}

}
