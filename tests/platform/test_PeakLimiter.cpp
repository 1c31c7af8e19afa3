#include "platform/PeakLimiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "AudioAnalysis.h"

namespace {

constexpr double Rate = 44100.0;

std::vector<float> StereoTone(double hz, double amplitude, size_t frames)
{
    const auto mono = AudioAnalysis::Tone(hz, Rate, frames, amplitude);
    std::vector<float> stereo(2 * frames);
    for (size_t i = 0; i < frames; ++i)
        stereo[2 * i] = stereo[2 * i + 1] = mono[i];
    return stereo;
}

TEST(PeakLimiter, QuietSignalPassesUntouched)
{
    TPeakLimiter limiter(0.9f, Rate, 0.25);
    auto samples = StereoTone(440.0, 0.5, 4410);
    const auto original = samples;
    limiter.Process(samples.data(), 4410);
    EXPECT_EQ(samples, original);
}

TEST(PeakLimiter, LoudSignalStaysUnderTheCeilingFromItsFirstSample)
{
    TPeakLimiter limiter(0.9f, Rate, 0.25);
    auto samples = StereoTone(440.0, 3.0, 8820);
    samples[1] = -5.0f;   // one channel alone may carry the peak
    limiter.Process(samples.data(), 8820);
    EXPECT_LE(AudioAnalysis::Peak(samples), 0.9f + 1e-6f);
    // Still a sound, not a squashed line.
    EXPECT_GT(AudioAnalysis::Peak(samples), 0.5f);
}

TEST(PeakLimiter, GainRecoversAfterALoudBurst)
{
    TPeakLimiter limiter(0.9f, Rate, 0.05);
    auto burst = StereoTone(440.0, 4.0, 441);
    limiter.Process(burst.data(), 441);
    EXPECT_LT(limiter.Gain(), 0.3f);
    auto quiet = StereoTone(440.0, 0.1, 44100);
    limiter.Process(quiet.data(), 44100);
    EXPECT_GT(limiter.Gain(), 0.99f);
}

TEST(PeakLimiter, BrokenSamplesAreSilencedWithoutStickingTheGain)
{
    TPeakLimiter limiter(0.9f, Rate, 0.25);
    std::vector<float> samples = {std::numeric_limits<float>::quiet_NaN(), 0.1f, std::numeric_limits<float>::infinity(), 0.0f, 0.5f, -0.5f};
    limiter.Process(samples.data(), 3);
    EXPECT_EQ(samples[0], 0.0f);
    EXPECT_EQ(samples[2], 0.0f);
    EXPECT_FLOAT_EQ(samples[4], 0.5f);
    EXPECT_EQ(limiter.Gain(), 1.0f);
}

}
