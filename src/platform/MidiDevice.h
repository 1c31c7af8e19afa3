#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/MidiShortMsg.h"

// What a MIDI output handle leads to. Destroying the device closes it.
class TMidiDevice {
public:
    virtual ~TMidiDevice() = default;
    // Plays one message; a device that cannot deliver it drops it.
    virtual void Send(const TMidiShortMsg& msg) = 0;
};

// Makes the device for a device number, or null when there is none.
using TMidiDeviceFactory = std::function<std::unique_ptr<TMidiDevice>(uint32_t deviceId)>;

// Replaces the devices midiOutOpen opens (a recording device in tests);
// an empty factory brings back the system's own. Returns the one replaced.
TMidiDeviceFactory SetMidiDeviceFactory(TMidiDeviceFactory factory);
