#include "platform/MidiOut.h"

#include <gtest/gtest.h>

#include "platform/MidiRecorder.h"
#include "platform/MidiShortMsg.h"

namespace {

TEST(MidiShortMsg, UnpacksChannelMessages)
{
    const auto noteOn = DecodeShortMsg(0x90 | 65 << 8 | 127 << 16);
    ASSERT_TRUE(noteOn);
    EXPECT_EQ(noteOn->Kind, MidiNoteOn);
    EXPECT_EQ(noteOn->Channel, 0);
    EXPECT_EQ(noteOn->Data1, 65);
    EXPECT_EQ(noteOn->Data2, 127);

    const auto control = DecodeShortMsg(0xB9 | 1 << 8 | 80 << 16);
    ASSERT_TRUE(control);
    EXPECT_EQ(control->Kind, MidiControlChange);
    EXPECT_EQ(control->Channel, 9);

    // The second data byte of a two-byte message is not part of it, and the
    // top byte of the packed value is never looked at.
    const auto program = DecodeShortMsg(0xC0 | 4 << 8 | 0xFF << 16 | 0xAB000000u);
    ASSERT_TRUE(program);
    EXPECT_EQ(program->Kind, MidiProgramChange);
    EXPECT_EQ(program->Data1, 4);
    EXPECT_EQ(program->Data2, 0);
    EXPECT_EQ(PackShortMsg(*program), 0xC0u | 4 << 8);
}

TEST(MidiShortMsg, RefusesWhatNoSynthesizerPlays)
{
    EXPECT_FALSE(DecodeShortMsg(0x40 | 60 << 8));              // no status byte
    EXPECT_FALSE(DecodeShortMsg(0));
    EXPECT_FALSE(DecodeShortMsg(0xC0 | 132 << 8));             // program 132 is a status byte
    EXPECT_FALSE(DecodeShortMsg(0x90 | 60 << 8 | 200 << 16));  // velocity 200
    EXPECT_FALSE(DecodeShortMsg(0xF8));                        // system real-time
    EXPECT_FALSE(DecodeShortMsg(0xF0));
}

TEST(MidiOut, OpensSendsAndClosesThroughTheInstalledDevice)
{
    TMidiRecorder recorder;
    THMidiOut handle = 0;
    ASSERT_EQ(midiOutOpen(&handle, 0, 0, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(midiOutShortMsg(handle, 0xC0 | 4 << 8), MMSYSERR_NOERROR);
    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 65 << 8 | 127 << 16), MMSYSERR_NOERROR);
    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 65 << 8 | 200 << 16), MMSYSERR_INVALPARAM);
    EXPECT_EQ(recorder.Messages(), (std::vector<uint32_t>{0xC0 | 4 << 8, 0x90 | 65 << 8 | 127 << 16}));

    EXPECT_EQ(midiOutClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(recorder.Closes(), 1);
    // A closed handle reaches nothing, and closing it again releases nothing.
    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 60 << 8 | 127 << 16), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(midiOutClose(handle), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(recorder.Closes(), 1);
    EXPECT_EQ(recorder.Messages().size(), 2u);
}

TEST(MidiOut, HandlesAreNeverReused)
{
    TMidiRecorder recorder;
    THMidiOut first = 0;
    THMidiOut second = 0;
    ASSERT_EQ(midiOutOpen(&first, 0, 0, 0, 0), MMSYSERR_NOERROR);
    midiOutClose(first);
    ASSERT_EQ(midiOutOpen(&second, 0, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_NE(first, second);
    // The stale handle must not close the device opened after it.
    EXPECT_EQ(midiOutClose(first), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(recorder.Closes(), 1);
    midiOutClose(second);
}

TEST(MidiOut, MissingDeviceFailsAndLeavesNoHandle)
{
    TMidiRecorder noDevice(false);
    THMidiOut handle = 123;
    EXPECT_EQ(midiOutOpen(&handle, 0, 0, 0, CALLBACK_WINDOW), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 60 << 8 | 127 << 16), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(midiOutClose(handle), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(midiOutOpen(nullptr, 0, 0, 0, 0), MMSYSERR_INVALPARAM);
}

TEST(MidiOut, OnlyDeviceZeroExists)
{
    TMidiRecorder recorder;
    THMidiOut handle = 0;
    EXPECT_EQ(midiOutOpen(&handle, 1, 0, 0, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(midiOutOpen(&handle, 0xFFFFFFFFu, 0, 0, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(recorder.Opens(), 0);
}

class TThrowingDevice : public TMidiDevice {
public:
    void Send(const TMidiShortMsg&) override { throw std::runtime_error("device gone"); }
};

TEST(MidiOut, DeviceFailuresComeBackAsResults)
{
    const auto previous = SetMidiDeviceFactory([](uint32_t) { return std::make_unique<TThrowingDevice>(); });
    THMidiOut handle = 0;
    ASSERT_EQ(midiOutOpen(&handle, 0, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 60 << 8 | 127 << 16), MMSYSERR_ERROR);
    midiOutClose(handle);

    SetMidiDeviceFactory([](uint32_t) -> std::unique_ptr<TMidiDevice> { throw std::bad_alloc(); });
    EXPECT_EQ(midiOutOpen(&handle, 0, 0, 0, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(handle, 0u);
    SetMidiDeviceFactory(previous);
}

TEST(MidiRecorder, RestoresTheDevicesItReplaced)
{
    TMidiRecorder outer;
    {
        TMidiRecorder inner;
        THMidiOut handle = 0;
        midiOutOpen(&handle, 0, 0, 0, 0);
        midiOutClose(handle);
        EXPECT_EQ(inner.Opens(), 1);
    }
    THMidiOut handle = 0;
    midiOutOpen(&handle, 0, 0, 0, 0);
    midiOutClose(handle);
    EXPECT_EQ(outer.Opens(), 1);
}

}
