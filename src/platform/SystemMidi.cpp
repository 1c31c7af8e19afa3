#include "platform/SystemMidi.h"

#include <cstdio>
#include <exception>
#include <string>

#include "platform/AlsaMessages.h"
#include "platform/FluidSynthEngine.h"
#include "platform/MidiAlsaSeq.h"
#include "platform/MidiSynth.h"
#include "platform/Verbose.h"

namespace {

std::string Reason(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unknown error";
    }
}

// The chime is the only part that makes sound, and it is opened once per run;
// a silent chime is no error, so it is told only to those who asked.
void ReportSilence(const std::string& synthReason, const std::string& sequencerReason)
{
    static bool told = false;
    if (told || !VerboseOutput())
        return;
    told = true;
    std::fprintf(stderr, "tessaly chime: silent (synthesizer: %s; ALSA sequencer: %s)\n", synthReason.c_str(),
                 sequencerReason.c_str());
}

}

std::unique_ptr<TMidiDevice> OpenSystemMidiDevice(uint32_t deviceId)
{
    if (deviceId != 0)
        return nullptr;
    SilenceAlsaMessages();
    std::string synthReason = "no General MIDI soundfont installed";
    if (const auto soundFont = FindGmSoundFont()) {
        try {
            return std::make_unique<TMidiSynth>(*soundFont);
        } catch (...) {
            // No audio output: an external synthesizer may still be reachable.
            synthReason = Reason(std::current_exception());
        }
    }
    try {
        return std::make_unique<TMidiAlsaSeq>();
    } catch (...) {
        ReportSilence(synthReason, Reason(std::current_exception()));
        return nullptr;
    }
}
