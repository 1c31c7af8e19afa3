#pragma once
#include <memory>

#include "platform/MidiDevice.h"

// MIDI output to an external synthesizer through the ALSA sequencer: the
// first output port that takes subscriptions, preferring a real one over the
// kernel's "Midi Through" port, which sounds nothing by itself.
class TMidiAlsaSeq : public TMidiDevice {
public:
    // Throws std::runtime_error when there is no sequencer or no output port.
    TMidiAlsaSeq();
    ~TMidiAlsaSeq() override;
    TMidiAlsaSeq(const TMidiAlsaSeq&) = delete;
    TMidiAlsaSeq& operator=(const TMidiAlsaSeq&) = delete;

    void Send(const TMidiShortMsg& msg) override;

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};
