#include "platform/MidiOut.h"

// No MIDI device yet: every open fails and every send is refused, so the
// chime stays silent.

uint32_t midiOutOpen(THMidiOut* handle, uint32_t, uintptr_t, uintptr_t, uint32_t)
{
    if (handle)
        *handle = 0;
    return MMSYSERR_BADDEVICEID;
}

uint32_t midiOutShortMsg(THMidiOut, uint32_t) { return MMSYSERR_INVALHANDLE; }

uint32_t midiOutClose(THMidiOut) { return MMSYSERR_INVALHANDLE; }
