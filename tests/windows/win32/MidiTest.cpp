// The chime's output on Windows: device 0 of the system's MIDI outputs, and
// no device (silence) for a number the machine does not have.
#include <gtest/gtest.h>

#include "platform/SystemMidi.h"
#include "platform/win32/Windows.h"

TEST(Win32Midi, OnlyDevicesTheSystemHasAreOpened)
{
    EXPECT_EQ(OpenSystemMidiDevice(midiOutGetNumDevs() + 7), nullptr);
    // Device 0 is there exactly when the system lists one; either way nothing breaks.
    auto device = OpenSystemMidiDevice(0);
    if (midiOutGetNumDevs() == 0) {
        EXPECT_EQ(device, nullptr);
    }
    if (device) {
        device->Send(TMidiShortMsg{MidiNoteOn, 0, 60, 100});
    }
}
