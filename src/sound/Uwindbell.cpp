#include "sound/Uwindbell.h"

#include <array>

#include "platform/MidiOut.h"
#include "platform/Random.h"
#include "settings/TBallSettings.h"

namespace {

// C, D, F, G and B-flat over three octaves from middle C, indexed 1..15.
constexpr std::array<int32_t, 16> BellNotes = {0, 60, 62, 65, 67, 70, 72, 74, 77, 79, 82, 84, 86, 89, 91, 94};

constexpr int32_t ProgramChange = 192;
constexpr int32_t ControlChange = 176;
constexpr int32_t NoteOn = 144;
constexpr int32_t ModulationWheel = 1;
constexpr int32_t ModulationDepth = 80;
constexpr int32_t NoteVelocity = 127;
constexpr int32_t LowestNumber = 1;
constexpr int32_t HighestNumber = 15;
// A program number must fit a 7-bit data byte; anything else (the settings
// dialog never stores one) falls back to the instrument a fresh install has.
constexpr int32_t DefaultInstrument = 4;
constexpr int32_t HighestInstrument = 127;

int32_t FoldIntoTable(int32_t number) { return number > HighestNumber ? number % HighestNumber + 1 : number; }

int32_t Instrument(int32_t soundType)
{
    return soundType >= 0 && soundType <= HighestInstrument ? soundType : DefaultInstrument;
}

}

TWindBell* WindBell = nullptr;

TWindBell::TWindBell()
{
    Enabled = true;
    try {
        midiOutOpen(&MidiOut, 0, 0, 0, CALLBACK_WINDOW);
        SendShortMsg(ProgramChange, Instrument(BallSettings.SoundType), 0);
        SendShortMsg(ControlChange, ModulationWheel, ModulationDepth);
    } catch (...) {
        // A chime that cannot sound leaves the saver silent, nothing more.
    }
}

TWindBell::~TWindBell() { midiOutClose(MidiOut); }

void TWindBell::Ring(int32_t FirstNumber, int32_t SecondNumber)
{
    if (!Enabled)
        return;
    const int32_t first = FoldIntoTable(FirstNumber);
    const int32_t second = FoldIntoTable(SecondNumber);
    try {
        const int32_t index = Random(2) == 0 ? first : second;
        // Bubble numbers start at 1; a number below that has no note.
        if (index >= LowestNumber && index <= HighestNumber)
            SendShortMsg(NoteOn, BellNotes[static_cast<size_t>(index)], NoteVelocity);
    } catch (...) {
        // A note that cannot be played must not stop the frame that rang it.
    }
}

void TWindBell::SendShortMsg(int32_t Status, int32_t Data1, int32_t Data2)
{
    LastMsg = static_cast<uint32_t>(Status) | static_cast<uint32_t>(Data1) << 8 | static_cast<uint32_t>(Data2) << 16;
    midiOutShortMsg(MidiOut, LastMsg);
}
