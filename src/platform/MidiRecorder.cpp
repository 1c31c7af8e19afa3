#include "platform/MidiRecorder.h"

#include <mutex>

struct TMidiRecorder::TLog {
    mutable std::mutex Lock;
    std::vector<uint32_t> Messages;
    int Opens = 0;
    int Closes = 0;
};

namespace {

class TRecordingDevice : public TMidiDevice {
public:
    explicit TRecordingDevice(std::shared_ptr<TMidiRecorder::TLog> log)
        : Log(std::move(log))
    {
        std::lock_guard lock(Log->Lock);
        ++Log->Opens;
    }
    ~TRecordingDevice() override
    {
        std::lock_guard lock(Log->Lock);
        ++Log->Closes;
    }
    void Send(const TMidiShortMsg& msg) override
    {
        std::lock_guard lock(Log->Lock);
        Log->Messages.push_back(PackShortMsg(msg));
    }

private:
    std::shared_ptr<TMidiRecorder::TLog> Log;
};

}

TMidiRecorder::TMidiRecorder(bool hasDevice)
    : Log(std::make_shared<TLog>())
{
    Replaced = SetMidiDeviceFactory([log = Log, hasDevice](uint32_t deviceId) -> std::unique_ptr<TMidiDevice> {
        if (!hasDevice || deviceId != 0)
            return nullptr;
        return std::make_unique<TRecordingDevice>(log);
    });
}

TMidiRecorder::~TMidiRecorder() { SetMidiDeviceFactory(std::move(Replaced)); }

std::vector<uint32_t> TMidiRecorder::Messages() const
{
    std::lock_guard lock(Log->Lock);
    return Log->Messages;
}

int TMidiRecorder::Opens() const
{
    std::lock_guard lock(Log->Lock);
    return Log->Opens;
}

int TMidiRecorder::Closes() const
{
    std::lock_guard lock(Log->Lock);
    return Log->Closes;
}
