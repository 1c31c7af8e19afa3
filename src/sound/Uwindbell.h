#pragma once
#include <cstdint>

// The collision chime: one note of a pentatonic table on MIDI output device 0
// for each hard collision. Exists only while the setting SoundOpen is on.
class TWindBell {
public:
    TWindBell();
    ~TWindBell();
    TWindBell(const TWindBell&) = delete;
    TWindBell& operator=(const TWindBell&) = delete;

    void Ring(int32_t FirstNumber, int32_t SecondNumber);
    void SendShortMsg(int32_t Status, int32_t Data1, int32_t Data2);

    uint32_t LastMsg = 0;
    uintptr_t MidiOut = 0;
    bool Enabled = false;
};

// The single chime, or null when SoundOpen was off at start-up.
extern TWindBell* WindBell;
