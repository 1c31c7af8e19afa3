#include "platform/MidiSynth.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "AudioAnalysis.h"
#include "platform/FluidSynthEngine.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr double Rate = 44100.0;
constexpr size_t BytesPerFrame = 2 * sizeof(float);

TMidiShortMsg Msg(uint8_t kind, uint8_t data1, uint8_t data2 = 0) { return {kind, 0, data1, data2}; }

class MidiSynthTest : public testing::Test {
protected:
    void SetUp() override
    {
        const auto found = FindGmSoundFont();
        if (!found)
            GTEST_SKIP() << "no General MIDI soundfont installed";
        SoundFont = *found;
        Output = fs::temp_directory_path() / ("tessaly-synth-" + std::to_string(::getpid()) + ".raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", Output.c_str(), 1);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove(Output, ignored);
    }

    // Waits until the disk driver has written `bytes`, at real-time pace.
    void WaitForOutput(uintmax_t bytes)
    {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        std::error_code error;
        while (fs::file_size(Output, error) < bytes || error) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "audio output stalled";
            std::this_thread::sleep_for(10ms);
        }
    }

    std::vector<float> ReadOutput(uintmax_t fromByte)
    {
        std::ifstream in(Output, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(fromByte));
        std::vector<float> samples;
        float sample = 0.0f;
        while (in.read(reinterpret_cast<char*>(&sample), sizeof sample))
            samples.push_back(sample);
        return samples;
    }

    std::string SoundFont;
    fs::path Output;
};

TEST_F(MidiSynthTest, ChimeReachesTheAudioOutput)
{
    uintmax_t noteAt = 0;
    {
        TMidiSynth synth(SoundFont);
        // Sent at once, most likely while the soundfont is still loading.
        synth.Send(Msg(MidiProgramChange, 4));
        synth.Send(Msg(MidiControlChange, 1, 80));
        ASSERT_TRUE(synth.WaitUntilReady(20s));
        std::error_code ignored;
        noteAt = fs::file_size(Output, ignored) / BytesPerFrame * BytesPerFrame;
        synth.Send(Msg(MidiNoteOn, 65, 127));
        WaitForOutput(noteAt + static_cast<uintmax_t>(0.8 * Rate) * BytesPerFrame);
    }
    const auto samples = ReadOutput(noteAt);
    ASSERT_GT(AudioAnalysis::Peak(samples), 0.05f);
    EXPECT_LT(AudioAnalysis::Peak(samples), 1.0f);
    const auto mono = AudioAnalysis::LeftChannel(samples);
    // Skip the block that may still hold the silence before the note.
    const std::vector<float> ringing(mono.begin() + 4410, mono.end());
    EXPECT_NEAR(AudioAnalysis::MedianPitchHz(ringing, Rate), 349.23, 0.01 * 349.23);
}

TEST_F(MidiSynthTest, ControllersSentWhileLoadingAreKept)
{
    TMidiSynth synth(SoundFont);
    synth.Send(Msg(MidiControlChange, 7, 0));   // channel volume off
    ASSERT_TRUE(synth.WaitUntilReady(20s));
    std::error_code ignored;
    const uintmax_t noteAt = fs::file_size(Output, ignored) / BytesPerFrame * BytesPerFrame;
    synth.Send(Msg(MidiNoteOn, 65, 127));
    WaitForOutput(noteAt + static_cast<uintmax_t>(0.3 * Rate) * BytesPerFrame);
    EXPECT_LT(AudioAnalysis::Peak(ReadOutput(noteAt)), 1e-3f);
}

TEST_F(MidiSynthTest, ClosingWhileStillLoadingReturns)
{
    for (int i = 0; i < 3; ++i) {
        TMidiSynth synth(SoundFont);
        synth.Send(Msg(MidiNoteOn, 60, 127));
    }
    TMidiSynth synth(SoundFont);
    EXPECT_TRUE(synth.WaitUntilReady(20s));
}

TEST(MidiSynth, NoAudioOutputThrows)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_THROW(TMidiSynth("/usr/share/sounds/sf2/default-GM.sf2"), std::runtime_error);
}

TEST(MidiSynth, DamagedSoundFontGivesASilentDevice)
{
    const auto fake = fs::temp_directory_path() / ("tessaly-damaged-" + std::to_string(::getpid()) + ".sf2");
    std::ofstream(fake) << "not a soundfont";
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    {
        TMidiSynth synth(fake.string());
        EXPECT_FALSE(synth.WaitUntilReady(20s));
        synth.Send(Msg(MidiNoteOn, 60, 127));
    }
    fs::remove(fake);
}

}
