#pragma once
#include <cstdint>

// MIDI output with the meaning of the Windows multimedia calls: devices are
// numbered from 0, a short message is packed as status | data1 << 8 | data2 << 16.
// Handles are never reused, so closing a handle twice (or sending on a closed
// one) reaches no device.
using THMidiOut = uintptr_t;

constexpr uint32_t MMSYSERR_NOERROR = 0;
constexpr uint32_t MMSYSERR_ERROR = 1;
constexpr uint32_t MMSYSERR_BADDEVICEID = 2;
constexpr uint32_t MMSYSERR_INVALHANDLE = 5;
constexpr uint32_t MMSYSERR_INVALPARAM = 11;
constexpr uint32_t CALLBACK_WINDOW = 0x10000;

// Opens device `deviceId` into *handle (0 when it fails). Callbacks are never
// made, whatever `callback` and `flags` ask for.
uint32_t midiOutOpen(THMidiOut* handle, uint32_t deviceId, uintptr_t callback, uintptr_t instance, uint32_t flags);
// A message with no status byte, a data byte above 127 or a system status is
// refused with MMSYSERR_INVALPARAM and never reaches the device.
uint32_t midiOutShortMsg(THMidiOut handle, uint32_t message);
uint32_t midiOutClose(THMidiOut handle);
