#pragma once
#include <cstdint>

// MIDI output with the meaning of the Windows multimedia calls: devices are
// numbered from 0, a short message is packed as status | data1 << 8 | data2 << 16.
using THMidiOut = uintptr_t;

constexpr uint32_t MMSYSERR_NOERROR = 0;
constexpr uint32_t MMSYSERR_BADDEVICEID = 2;
constexpr uint32_t MMSYSERR_INVALHANDLE = 5;
constexpr uint32_t CALLBACK_WINDOW = 0x10000;

// Opens device `deviceId` into *handle (0 when it fails).
uint32_t midiOutOpen(THMidiOut* handle, uint32_t deviceId, uintptr_t callback, uintptr_t instance, uint32_t flags);
uint32_t midiOutShortMsg(THMidiOut handle, uint32_t message);
uint32_t midiOutClose(THMidiOut handle);
