#include "platform/MidiOut.h"

#include <map>
#include <mutex>

#include "platform/MidiDevice.h"
#include "platform/SystemMidi.h"

namespace {

// The open devices by handle. Handles count up from 1 and are never given out
// twice, so a stale handle cannot reach a device opened later.
struct TMidiHandleTable {
    std::mutex Lock;
    std::map<THMidiOut, std::unique_ptr<TMidiDevice>> Devices;
    THMidiOut NextHandle = 1;
    TMidiDeviceFactory Factory;
};

TMidiHandleTable& Table()
{
    static TMidiHandleTable table;
    return table;
}

std::unique_ptr<TMidiDevice> MakeDevice(const TMidiDeviceFactory& factory, uint32_t deviceId)
{
    try {
        return factory ? factory(deviceId) : OpenSystemMidiDevice(deviceId);
    } catch (...) {
        return nullptr;
    }
}

}

TMidiDeviceFactory SetMidiDeviceFactory(TMidiDeviceFactory factory)
{
    auto& table = Table();
    std::lock_guard lock(table.Lock);
    std::swap(table.Factory, factory);
    return factory;
}

uint32_t midiOutOpen(THMidiOut* handle, uint32_t deviceId, uintptr_t, uintptr_t, uint32_t)
{
    if (!handle)
        return MMSYSERR_INVALPARAM;
    *handle = 0;
    auto& table = Table();
    TMidiDeviceFactory factory;
    {
        std::lock_guard lock(table.Lock);
        factory = table.Factory;
    }
    // Opening may take a while (an audio device); the table stays free meanwhile.
    auto device = MakeDevice(factory, deviceId);
    if (!device)
        return MMSYSERR_BADDEVICEID;
    std::lock_guard lock(table.Lock);
    const THMidiOut opened = table.NextHandle++;
    table.Devices.emplace(opened, std::move(device));
    *handle = opened;
    return MMSYSERR_NOERROR;
}

uint32_t midiOutShortMsg(THMidiOut handle, uint32_t message)
{
    auto& table = Table();
    std::lock_guard lock(table.Lock);
    const auto found = table.Devices.find(handle);
    if (found == table.Devices.end())
        return MMSYSERR_INVALHANDLE;
    const auto msg = DecodeShortMsg(message);
    if (!msg)
        return MMSYSERR_INVALPARAM;
    try {
        found->second->Send(*msg);
    } catch (...) {
        return MMSYSERR_ERROR;
    }
    return MMSYSERR_NOERROR;
}

uint32_t midiOutClose(THMidiOut handle)
{
    std::unique_ptr<TMidiDevice> closing;
    {
        auto& table = Table();
        std::lock_guard lock(table.Lock);
        const auto found = table.Devices.find(handle);
        if (found == table.Devices.end())
            return MMSYSERR_INVALHANDLE;
        closing = std::move(found->second);
        table.Devices.erase(found);
    }
    // Released outside the lock: a synthesizer's shutdown waits for its threads.
    closing.reset();
    return MMSYSERR_NOERROR;
}
