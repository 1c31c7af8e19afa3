#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeHostPlatform.h"
#include "host/HostWindow.h"
#include "host/PasswordCheck.h"

// What the callbacks saw, in order ("OnCreate 3" = OnCreate in mode 3).
inline std::vector<std::string> CallbackLog;

inline void LogCallback(const char* name, TSaverMode mode)
{
    CallbackLog.push_back(std::string(name) + " " + std::to_string(static_cast<int>(mode)));
}

inline TSaverCallbacks RecordingCallbacks()
{
    TSaverCallbacks callbacks;
    callbacks.OnCreate = [](THostWindow, TSaverMode mode) { LogCallback("OnCreate", mode); };
    callbacks.OnTimer = [](THostWindow, TSaverMode mode) { LogCallback("OnTimer", mode); };
    callbacks.OnDestroy = [](THostWindow, TSaverMode mode) { LogCallback("OnDestroy", mode); };
    callbacks.TimerInterval = 40;
    return callbacks;
}

// The host's rules on a fake platform, from the process's initial state.
class HostRules : public ::testing::Test {
protected:
    static constexpr THostWindow Window = 42;

    TFakeHostPlatform Platform;

    void SetUp() override
    {
        ResetHostState();
        CallbackLog.clear();
        HostPlatform = &Platform;
        HostCallbacks = RecordingCallbacks();
        SaverMode = smSaver;
    }
    void TearDown() override
    {
        HostPlatform = nullptr;
        ResetHostState();
    }

    void LoadAcceptingCheck(int32_t answer)
    {
        Platform.Win9x = true;
        Platform.UsePasswordValue = {1};
        Platform.VerifyAnswer = answer;
        LoadPasswordCheck();
        ASSERT_TRUE(VerifyPassword);
    }
};
