#include "platform/PeakLimiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
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
    // Broken on the left, broken on the right only, then a sound frame.
    std::vector<float> samples = {std::numeric_limits<float>::quiet_NaN(), 0.1f, 0.2f, std::numeric_limits<float>::quiet_NaN(),
                                  std::numeric_limits<float>::infinity(), 0.0f, 0.5f, -0.5f};
    limiter.Process(samples.data(), 4);
    EXPECT_EQ(samples[0], 0.0f);
    EXPECT_EQ(samples[2], 0.0f);
    EXPECT_EQ(samples[3], 0.0f);
    EXPECT_EQ(samples[4], 0.0f);
    EXPECT_FLOAT_EQ(samples[6], 0.5f);
    EXPECT_EQ(limiter.Gain(), 1.0f);
}

// The limiter's rule taken one frame at a time, as it was first written:
// whatever shortcut the limiter takes must leave the very same bits.
struct TFrameByFrame {
    float Ceiling, ReleaseStep, Gain = 1.0f;
    void Process(float* stereo, int frames)
    {
        for (int i = 0; i < frames; ++i) {
            float* frame = stereo + 2 * i;
            Gain += (1.0f - Gain) * ReleaseStep;
            const float peak = std::max(std::fabs(frame[0]), std::fabs(frame[1]));
            if (!std::isfinite(frame[0]) || !std::isfinite(frame[1])) {
                frame[0] = frame[1] = 0.0f;
                continue;
            }
            if (peak * Gain > Ceiling)
                Gain = Ceiling / peak;
            frame[0] *= Gain;
            frame[1] *= Gain;
        }
    }
};

TEST(PeakLimiter, BlocksLeaveTheBitsOfTheFrameByFrameRule)
{
    const double release = 0.002;
    TPeakLimiter limiter(0.89f, Rate, release);
    TFrameByFrame rule{0.89f, static_cast<float>(1.0 - std::exp(-1.0 / (release * Rate)))};
    std::mt19937 random(17);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    // Quiet stretches long enough for the gain to come to rest (below 1,
    // where the release step no longer moves it), loud bursts, a sample at
    // exactly the ceiling, broken samples, blocks of every size.
    for (int block = 0; block < 400; ++block) {
        const int frames = static_cast<int>(random() % 700);
        const float level = block % 9 == 4 ? 3.0f : block % 5 == 0 ? 0.89f : 0.3f;
        std::vector<float> samples(2 * static_cast<size_t>(frames));
        for (float& s : samples)
            s = unit(random) * level;
        if (frames > 0 && block % 37 == 11)
            samples[random() % samples.size()] = std::numeric_limits<float>::quiet_NaN();
        if (frames > 0 && block % 41 == 7)
            samples[random() % samples.size()] = -0.89f;
        auto expected = samples;
        limiter.Process(samples.data(), frames);
        rule.Process(expected.data(), frames);
        if (!samples.empty()) {
            ASSERT_EQ(std::memcmp(samples.data(), expected.data(), samples.size() * sizeof(float)), 0) << "block " << block;
        }
        ASSERT_EQ(limiter.Gain(), rule.Gain) << "block " << block;
    }
    EXPECT_LT(rule.Gain, 1.0f);
}

}
