#include "platform/MidiShortMsg.h"

namespace {
constexpr uint8_t StatusBit = 0x80;
constexpr uint8_t SystemStatus = 0xF0;
}

int MidiMessageLength(uint8_t kind)
{
    return kind == MidiProgramChange || kind == MidiChannelPressure ? 2 : 3;
}

std::optional<TMidiShortMsg> DecodeShortMsg(uint32_t message)
{
    const auto status = static_cast<uint8_t>(message & 0xFF);
    if ((status & StatusBit) == 0 || status >= SystemStatus)
        return std::nullopt;
    TMidiShortMsg msg;
    msg.Kind = status & 0xF0;
    msg.Channel = status & 0x0F;
    msg.Data1 = static_cast<uint8_t>(message >> 8 & 0xFF);
    if (MidiMessageLength(msg.Kind) == 3)
        msg.Data2 = static_cast<uint8_t>(message >> 16 & 0xFF);
    if ((msg.Data1 & StatusBit) != 0 || (msg.Data2 & StatusBit) != 0)
        return std::nullopt;
    return msg;
}

uint32_t PackShortMsg(const TMidiShortMsg& msg)
{
    return static_cast<uint32_t>(msg.Kind | msg.Channel) | static_cast<uint32_t>(msg.Data1) << 8
        | static_cast<uint32_t>(msg.Data2) << 16;
}
