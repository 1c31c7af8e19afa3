#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/MidiDevice.h"

// A stand-in for MIDI output device 0 that keeps every message it is sent,
// for checking what the chime plays without a synthesizer. Installed for the
// recorder's lifetime; the system's devices come back when it is destroyed.
class TMidiRecorder {
public:
    // With `hasDevice` false there is no device 0 at all and opening fails.
    explicit TMidiRecorder(bool hasDevice = true);
    ~TMidiRecorder();
    TMidiRecorder(const TMidiRecorder&) = delete;
    TMidiRecorder& operator=(const TMidiRecorder&) = delete;

    // Packed messages in the order they arrived, over all opened devices.
    std::vector<uint32_t> Messages() const;
    int Opens() const;
    int Closes() const;

    struct TLog;

private:
    std::shared_ptr<TLog> Log;
    TMidiDeviceFactory Replaced;
};
