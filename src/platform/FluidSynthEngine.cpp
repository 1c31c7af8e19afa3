#include "platform/FluidSynthEngine.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <mutex>
#include <stdexcept>

#include "platform/PeakLimiter.h"

namespace {

// One electric-piano note at full velocity peaks near -15 dBFS with this gain:
// plainly audible, with headroom for the handful of notes a few colliding
// bubbles strike together before the limiter has to step in.
constexpr double SynthGain = 0.7;
// Chords of many notes are held under -1 dBFS by the limiter.
constexpr float LimiterCeiling = 0.89f;
constexpr double LimiterReleaseSeconds = 0.25;
// With no voice sounding, the synthesizer only computes the fading tail of its
// reverb and then silence. Once the tail has had this long to die away the
// engine stops rendering until the next note, so an idle chime costs no
// processor time while the saver runs.
constexpr double QuietSecondsBeforeIdle = 3.0;
// A chime rings one note per hard collision, each dying away within seconds,
// and a key struck again releases its earlier note, so at most the fifteen
// keys of the scale sound at once, one or two voices each. Only when a crowd
// of bubbles starts out overlapping do collisions come faster than the
// notes die; then the oldest, quietest tails give way beyond this many
// voices, which halves the synthesizer's work through that crush. General
// MIDI asks for at least 24. Each voice FluidSynth prepares costs memory
// whether it sounds or not (its default is 256).
constexpr int Polyphony = 32;

void QuietFluidLogging()
{
    // FluidSynth prints its warnings to the terminal the saver was started
    // from; only real errors are worth that.
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

// An SF2 file is a RIFF file of form "sfbk". Checked here rather than with
// fluid_is_soundfont, which hands any other RIFF file to libinstpatch's
// identifiers, and those leak.
bool HasSoundFontHeader(const std::string& path)
{
    std::array<char, 12> header{};
    std::ifstream file(path, std::ios::binary);
    return file.read(header.data(), header.size()) && std::memcmp(header.data(), "RIFF", 4) == 0
        && std::memcmp(header.data() + 8, "sfbk", 4) == 0;
}

}

const std::vector<std::string>& DefaultGmSoundFonts()
{
    static const std::vector<std::string> paths = {
        "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2",
        "/usr/share/soundfonts/default.sf2",
        "/usr/share/soundfonts/FluidR3_GM.sf2",
    };
    return paths;
}

std::optional<std::string> FindGmSoundFont(const std::vector<std::string>& candidates)
{
    for (const auto& path : candidates)
        if (HasSoundFontHeader(path))
            return path;
    return std::nullopt;
}

struct TFluidSynthEngine::TImpl {
    fluid_settings_t* Settings = nullptr;
    fluid_synth_t* Synth = nullptr;
    TPeakLimiter Limiter;
    const long IdleAfterFrames;
    long QuietFrames = 0;

    explicit TImpl(double sampleRate)
        : Limiter(LimiterCeiling, sampleRate, LimiterReleaseSeconds)
        , IdleAfterFrames(static_cast<long>(sampleRate * QuietSecondsBeforeIdle))
    {
    }
    ~TImpl()
    {
        if (Synth)
            delete_fluid_synth(Synth);
        if (Settings)
            delete_fluid_settings(Settings);
    }
};

TFluidSynthEngine::TFluidSynthEngine(const std::string& soundFontPath, double sampleRate)
    : Impl(std::make_unique<TImpl>(sampleRate))
{
    QuietFluidLogging();
    Impl->Settings = new_fluid_settings();
    if (!Impl->Settings)
        throw std::runtime_error("FluidSynth settings could not be created");
    fluid_settings_setnum(Impl->Settings, "synth.sample-rate", sampleRate);
    fluid_settings_setnum(Impl->Settings, "synth.gain", SynthGain);
    fluid_settings_setint(Impl->Settings, "synth.polyphony", Polyphony);
    // Only the samples of the instruments chosen on a channel are read into
    // memory, not the whole soundfont: the chime plays one instrument.
    fluid_settings_setint(Impl->Settings, "synth.dynamic-sample-loading", 1);
    // Nothing the chime sends asks for chorus (the controller that would is
    // never sent and defaults to none), so its effect unit would only
    // compute silence for every block.
    fluid_settings_setint(Impl->Settings, "synth.chorus.active", 0);
    Impl->Synth = new_fluid_synth(Impl->Settings);
    if (!Impl->Synth)
        throw std::runtime_error("FluidSynth could not be started");
    if (fluid_synth_sfload(Impl->Synth, soundFontPath.c_str(), 1) == FLUID_FAILED)
        throw std::runtime_error("Soundfont " + soundFontPath + " could not be loaded");
    // Straight-line interpolation between sample points instead of FluidSynth's
    // default fourth-order curve: each voice costs about a fifth less, and for
    // these bell-like notes the two renderings differ by some 45 dB below the
    // sound itself, far under what a chime over a screen saver lets anyone hear.
    fluid_synth_set_interp_method(Impl->Synth, -1, FLUID_INTERP_LINEAR);
}

TFluidSynthEngine::~TFluidSynthEngine() = default;

void TFluidSynthEngine::Send(const TMidiShortMsg& msg)
{
    fluid_synth_t* synth = Impl->Synth;
    const int channel = msg.Channel;
    switch (msg.Kind) {
    case MidiNoteOff:
        fluid_synth_noteoff(synth, channel, msg.Data1);
        break;
    case MidiNoteOn:
        // Velocity 0 is a note-off by MIDI's own rule; FluidSynth knows it.
        fluid_synth_noteon(synth, channel, msg.Data1, msg.Data2);
        break;
    case MidiKeyPressure:
        fluid_synth_key_pressure(synth, channel, msg.Data1, msg.Data2);
        break;
    case MidiControlChange:
        fluid_synth_cc(synth, channel, msg.Data1, msg.Data2);
        break;
    case MidiProgramChange:
        fluid_synth_program_change(synth, channel, msg.Data1);
        break;
    case MidiChannelPressure:
        fluid_synth_channel_pressure(synth, channel, msg.Data1);
        break;
    case MidiPitchBend:
        fluid_synth_pitch_bend(synth, channel, msg.Data1 | msg.Data2 << 7);
        break;
    default:
        break;
    }
}

void TFluidSynthEngine::Render(float* interleavedStereo, int frames)
{
    if (fluid_synth_get_active_voice_count(Impl->Synth) > 0) {
        Impl->QuietFrames = 0;
    } else if (Impl->QuietFrames >= Impl->IdleAfterFrames) {
        std::fill(interleavedStereo, interleavedStereo + 2 * frames, 0.0f);
        return;
    } else {
        Impl->QuietFrames += frames;
    }
    if (fluid_synth_write_float(Impl->Synth, frames, interleavedStereo, 0, 2, interleavedStereo, 1, 2) != FLUID_OK) {
        std::fill(interleavedStereo, interleavedStereo + 2 * frames, 0.0f);
        return;
    }
    Impl->Limiter.Process(interleavedStereo, frames);
}
