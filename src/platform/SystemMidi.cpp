#include "platform/SystemMidi.h"

#include "platform/FluidSynthEngine.h"
#include "platform/MidiAlsaSeq.h"
#include "platform/MidiSynth.h"

std::unique_ptr<TMidiDevice> OpenSystemMidiDevice(uint32_t deviceId)
{
    if (deviceId != 0)
        return nullptr;
    if (const auto soundFont = FindGmSoundFont()) {
        try {
            return std::make_unique<TMidiSynth>(*soundFont);
        } catch (...) {
            // No audio output: an external synthesizer may still be reachable.
        }
    }
    try {
        return std::make_unique<TMidiAlsaSeq>();
    } catch (...) {
        return nullptr;
    }
}
