#pragma once
#include <cstdint>
#include <optional>

// One channel message unpacked from the Windows short-message layout.
struct TMidiShortMsg {
    uint8_t Kind = 0;      // status with the channel masked off: 0x80 .. 0xE0
    uint8_t Channel = 0;   // 0..15 (channel 1 is 0)
    uint8_t Data1 = 0;
    uint8_t Data2 = 0;     // 0 for the kinds that carry one data byte
};

constexpr uint8_t MidiNoteOff = 0x80;
constexpr uint8_t MidiNoteOn = 0x90;
constexpr uint8_t MidiKeyPressure = 0xA0;
constexpr uint8_t MidiControlChange = 0xB0;
constexpr uint8_t MidiProgramChange = 0xC0;
constexpr uint8_t MidiChannelPressure = 0xD0;
constexpr uint8_t MidiPitchBend = 0xE0;

// Bytes on the wire for a kind: 2 for program change and channel pressure, else 3.
int MidiMessageLength(uint8_t kind);

// Unpacks status | data1 << 8 | data2 << 16. No message for a value without a
// status byte, with a data byte above 127, or with a system status (0xF0 and
// up): none of them is a channel message a synthesizer could play.
std::optional<TMidiShortMsg> DecodeShortMsg(uint32_t message);

uint32_t PackShortMsg(const TMidiShortMsg& msg);
