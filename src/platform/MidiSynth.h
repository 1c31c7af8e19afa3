#pragma once
#include <chrono>
#include <memory>
#include <string>

#include "platform/MidiDevice.h"

// The built-in General MIDI synthesizer: FluidSynth played through SDL audio,
// so it sounds wherever SDL finds an output (PulseAudio, PipeWire, ALSA).
// Opening the audio device is quick and happens at once; loading the
// soundfont happens on a thread of its own so the first frame is not held up.
// Until it is loaded notes are dropped, while program and controller changes
// are kept and applied when the synthesizer is ready.
class TMidiSynth : public TMidiDevice {
public:
    // Throws std::runtime_error when no audio output can be opened.
    explicit TMidiSynth(const std::string& soundFontPath);
    ~TMidiSynth() override;
    TMidiSynth(const TMidiSynth&) = delete;
    TMidiSynth& operator=(const TMidiSynth&) = delete;

    void Send(const TMidiShortMsg& msg) override;
    // True once the soundfont is loaded; false when loading failed or the
    // wait ran out first.
    bool WaitUntilReady(std::chrono::milliseconds timeout);

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};
