#include "platform/FluidSynthEngine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "AudioAnalysis.h"

namespace {

constexpr double Rate = 44100.0;
constexpr double F4Hz = 349.228;   // MIDI note 65

TMidiShortMsg Msg(uint8_t kind, uint8_t data1, uint8_t data2 = 0) { return {kind, 0, data1, data2}; }

std::vector<float> RenderSeconds(TFluidSynthEngine& engine, double seconds)
{
    std::vector<float> out(2 * static_cast<size_t>(seconds * Rate));
    engine.Render(out.data(), static_cast<int>(out.size() / 2));
    return out;
}

class FluidSynthEngineTest : public testing::Test {
protected:
    void SetUp() override
    {
        const auto found = FindGmSoundFont();
        if (!found)
            GTEST_SKIP() << "no General MIDI soundfont installed";
        Engine = std::make_unique<TFluidSynthEngine>(*found, Rate);
    }
    // The chime's set-up: instrument 4, modulation wheel at 80.
    void ChimeSetUp()
    {
        Engine->Send(Msg(MidiProgramChange, 4));
        Engine->Send(Msg(MidiControlChange, 1, 80));
    }
    std::unique_ptr<TFluidSynthEngine> Engine;
};

TEST(AudioAnalysis, FindsTheFundamentalUnderAStrongerOvertone)
{
    auto tone = AudioAnalysis::Tone(F4Hz, Rate, 44100, 0.3);
    const auto overtone = AudioAnalysis::Tone(2 * F4Hz, Rate, 44100, 0.6);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] += overtone[i];
    EXPECT_NEAR(AudioAnalysis::FundamentalHz(tone, Rate), F4Hz, 0.5);
}

TEST_F(FluidSynthEngineTest, ChimeNote65SoundsAtF4)
{
    ChimeSetUp();
    Engine->Send(Msg(MidiNoteOn, 65, 127));
    const auto stereo = RenderSeconds(*Engine, 1.1);
    // Past the attack, one second of the ringing note.
    const std::vector<float> left(stereo.begin() + 2 * 4410, stereo.end());
    const auto mono = AudioAnalysis::LeftChannel(left);
    ASSERT_GT(AudioAnalysis::Rms(mono), 0.01);
    const double hz = AudioAnalysis::MedianPitchHz(mono, Rate);
    EXPECT_NEAR(hz, F4Hz, 0.01 * F4Hz) << "measured " << hz << " Hz";
}

TEST_F(FluidSynthEngineTest, OneNoteIsAudibleButNotHarsh)
{
    ChimeSetUp();
    Engine->Send(Msg(MidiNoteOn, 65, 127));
    const auto stereo = RenderSeconds(*Engine, 0.5);
    const float peak = AudioAnalysis::Peak(stereo);
    // Between about -18 and -4 dBFS.
    EXPECT_GT(peak, 0.125f);
    EXPECT_LT(peak, 0.63f);
}

TEST_F(FluidSynthEngineTest, ManyNotesAtOnceNeverClip)
{
    ChimeSetUp();
    // A crowd of bubbles colliding: every note of the chime struck together,
    // again every frame for two seconds.
    std::vector<float> all;
    for (int frame = 0; frame < 50; ++frame) {
        for (uint8_t note : {60, 62, 65, 67, 70, 72, 74, 77, 79, 82, 84, 86, 89, 91, 94})
            Engine->Send(Msg(MidiNoteOn, note, 127));
        const auto block = RenderSeconds(*Engine, 0.04);
        all.insert(all.end(), block.begin(), block.end());
    }
    const auto tail = RenderSeconds(*Engine, 1.0);
    all.insert(all.end(), tail.begin(), tail.end());
    EXPECT_LE(AudioAnalysis::Peak(all), 0.9f);
    EXPECT_GT(AudioAnalysis::Rms(all), 0.05);
}

TEST_F(FluidSynthEngineTest, MessagesActAsMidiChannelMessages)
{
    ChimeSetUp();
    // Note-on with velocity 0 and note-off both end a note; the release tail
    // dies away.
    Engine->Send(Msg(MidiNoteOn, 60, 127));
    RenderSeconds(*Engine, 0.2);
    Engine->Send(Msg(MidiNoteOn, 60, 0));
    Engine->Send(Msg(MidiNoteOn, 62, 127));
    RenderSeconds(*Engine, 0.2);
    Engine->Send(Msg(MidiNoteOff, 62, 64));
    RenderSeconds(*Engine, 3.0);
    EXPECT_LT(AudioAnalysis::Peak(RenderSeconds(*Engine, 0.2)), 1e-3f);

    // Channel volume 0 silences what is struck after it.
    Engine->Send(Msg(MidiControlChange, 7, 0));
    Engine->Send(Msg(MidiNoteOn, 65, 127));
    EXPECT_LT(AudioAnalysis::Peak(RenderSeconds(*Engine, 0.3)), 1e-3f);

    // A pitch bend up by the default two semitones moves F4 to G4.
    Engine->Send(Msg(MidiControlChange, 7, 100));
    Engine->Send(Msg(MidiPitchBend, 0x7F, 0x7F));
    Engine->Send(Msg(MidiNoteOn, 65, 127));
    const auto stereo = RenderSeconds(*Engine, 1.0);
    const std::vector<float> ringing(stereo.begin() + 2 * 4410, stereo.end());
    EXPECT_NEAR(AudioAnalysis::MedianPitchHz(AudioAnalysis::LeftChannel(ringing), Rate), 392.0, 0.02 * 392.0);
}

TEST(FindGmSoundFont, TakesTheFirstRealSoundFont)
{
    const auto real = FindGmSoundFont();
    if (!real)
        GTEST_SKIP() << "no General MIDI soundfont installed";
    const auto temp = std::filesystem::temp_directory_path();
    const auto wave = temp / "tessaly-wave-named.sf2";
    const auto shortFile = temp / "tessaly-short.sf2";
    std::ofstream(wave) << "RIFF\x10\0\0\0WAVEfmt ";
    std::ofstream(shortFile) << "RIFF";
    const std::vector<std::string> none = {"/nonexistent/gm.sf2", wave.string(), shortFile.string(), temp.string()};
    auto withReal = none;
    withReal.push_back(*real);
    EXPECT_EQ(FindGmSoundFont(withReal), real);
    EXPECT_EQ(FindGmSoundFont(none), std::nullopt);
    std::filesystem::remove(wave);
    std::filesystem::remove(shortFile);
}

TEST(FluidSynthEngine, DamagedSoundFontThrows)
{
    const auto fake = std::filesystem::temp_directory_path() / "tessaly-damaged.sf2";
    std::ofstream(fake) << "RIFF....sfbk";
    EXPECT_THROW(TFluidSynthEngine(fake.string(), Rate), std::runtime_error);
    std::filesystem::remove(fake);
}

}
