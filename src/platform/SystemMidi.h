#pragma once
#include <cstdint>
#include <memory>

#include "platform/MidiDevice.h"

// The machine's MIDI output: device 0 is the built-in General MIDI synthesizer
// when a GM soundfont is installed and audio can be opened, else the first
// ALSA sequencer output port; null when neither is there (the saver is silent).
std::unique_ptr<TMidiDevice> OpenSystemMidiDevice(uint32_t deviceId);
