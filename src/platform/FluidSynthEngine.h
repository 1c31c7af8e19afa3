#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/MidiShortMsg.h"

// The General MIDI soundfonts looked for, in order: the system's default-GM
// link first, then the soundfonts Debian packages install.
const std::vector<std::string>& DefaultGmSoundFonts();

// The first of `candidates` that is a readable soundfont.
std::optional<std::string> FindGmSoundFont(const std::vector<std::string>& candidates = DefaultGmSoundFonts());

// A FluidSynth synthesizer with one soundfont loaded, rendering stereo float
// samples on demand: no audio driver of its own, so it also renders offline.
// Send and Render may be called from different threads.
class TFluidSynthEngine {
public:
    // Loads the soundfont; throws std::runtime_error when that fails.
    TFluidSynthEngine(const std::string& soundFontPath, double sampleRate);
    ~TFluidSynthEngine();
    TFluidSynthEngine(const TFluidSynthEngine&) = delete;
    TFluidSynthEngine& operator=(const TFluidSynthEngine&) = delete;

    void Send(const TMidiShortMsg& msg);
    // Fills `frames` interleaved stereo frames, always within -1..1.
    void Render(float* interleavedStereo, int frames);

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};
