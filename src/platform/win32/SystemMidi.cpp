#include "platform/SystemMidi.h"

#include "platform/win32/Windows.h"

namespace {

// A device of the system's multimedia library; closing it resets the notes.
class TWinmmMidiOut : public TMidiDevice {
public:
    explicit TWinmmMidiOut(HMIDIOUT handle) : Handle(handle) {}
    ~TWinmmMidiOut() override
    {
        midiOutReset(Handle);
        midiOutClose(Handle);
    }
    TWinmmMidiOut(const TWinmmMidiOut&) = delete;
    TWinmmMidiOut& operator=(const TWinmmMidiOut&) = delete;

    void Send(const TMidiShortMsg& msg) override { midiOutShortMsg(Handle, PackShortMsg(msg)); }

private:
    HMIDIOUT Handle;
};

}

// The system's own MIDI output of that number; none (silence) when the
// machine has no such device or it is busy.
std::unique_ptr<TMidiDevice> OpenSystemMidiDevice(uint32_t deviceId)
{
    HMIDIOUT handle = nullptr;
    if (midiOutOpen(&handle, deviceId, 0, 0, CALLBACK_NULL) != 0 || !handle)
        return nullptr;
    return std::make_unique<TWinmmMidiOut>(handle);
}
