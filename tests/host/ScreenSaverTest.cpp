#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/CommandLine.h"
#include "host/ScreenSaver.h"

namespace {

// What the dispatch did, in order.
std::vector<std::string> Calls;

void RecordCreate(THostWindow, TSaverMode mode) { Calls.push_back("create " + std::to_string(mode)); }
void RecordTimer(THostWindow, TSaverMode mode) { Calls.push_back("timer " + std::to_string(mode)); }
void RecordDestroy(THostWindow, TSaverMode mode) { Calls.push_back("destroy " + std::to_string(mode)); }
void RecordConfigure(THostWindow window) { Calls.push_back("configure " + std::to_string(window)); }

void RecordHost(const TSaverCallbacks& callbacks, TSaverMode mode, const std::string& secondArgument)
{
    Calls.push_back("host " + std::to_string(mode) + " '" + secondArgument + "' interval " +
                    std::to_string(callbacks.TimerInterval));
}

void HostThatConverts(const TSaverCallbacks&, TSaverMode, const std::string& secondArgument)
{
    Calls.push_back("parent " + std::to_string(StrToInt(secondArgument)));
}

TSaverCallbacks RecordingCallbacks()
{
    TSaverCallbacks callbacks;
    callbacks.OnCreate = RecordCreate;
    callbacks.OnTimer = RecordTimer;
    callbacks.OnDestroy = RecordDestroy;
    callbacks.OnConfigure = RecordConfigure;
    return callbacks;
}

class Dispatch : public testing::Test {
protected:
    void SetUp() override { Calls.clear(); }
    void TearDown() override { SetCommandLine({}); }

    TSaverMode Run(std::vector<std::string> arguments, THostRunner host = RecordHost,
                   const TSaverCallbacks& callbacks = RecordingCallbacks())
    {
        arguments.insert(arguments.begin(), "tessaly");
        SetCommandLine(std::move(arguments));
        return RunScreenSaver(callbacks, host);
    }
};

TEST_F(Dispatch, SettingsModeCallsOnlyTheConfigureRoutine)
{
    EXPECT_EQ(Run({}), smConfigure);
    EXPECT_EQ(Run({"/c:4196", "17"}), smConfigure);
    EXPECT_EQ(Calls, (std::vector<std::string>{"configure 0", "configure 0"}));
}

TEST_F(Dispatch, SettingsModeWithoutConfigureRoutineDoesNothing)
{
    TSaverCallbacks callbacks = RecordingCallbacks();
    callbacks.OnConfigure = nullptr;
    EXPECT_EQ(Run({"C"}, RecordHost, callbacks), smConfigure);
    EXPECT_TRUE(Calls.empty());
}

TEST_F(Dispatch, DrawingModesRunTheHostWithTheSecondArgument)
{
    EXPECT_EQ(Run({"/p", "4196"}), smPreview);
    EXPECT_EQ(Run({"/s"}), smSaver);
    EXPECT_EQ(Run({"hello", "world"}), smSaver);
    EXPECT_EQ(Calls, (std::vector<std::string>{"host 1 '4196' interval 40", "host 3 '' interval 40",
                                               "host 3 'world' interval 40"}));
}

TEST_F(Dispatch, PasswordChangeEndsAtOnceWithoutAWindow)
{
    EXPECT_EQ(Run({"/a", "4196"}), smChangePassword);
    EXPECT_EQ(Run({"/a"}), smChangePassword);
    EXPECT_TRUE(Calls.empty());
}

TEST_F(Dispatch, ParentThatIsNoNumberLeavesTheRunAsConversionError)
{
    EXPECT_EQ(Run({"/p", "0x10"}, HostThatConverts), smPreview);
    EXPECT_EQ(Calls, std::vector<std::string>{"parent 16"});
    try {
        Run({"/P4196"}, HostThatConverts);
        ADD_FAILURE() << "no conversion error";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'' is not a valid integer value");
    }
    EXPECT_THROW(Run({"/p", "12a"}, HostThatConverts), EConvertError);
}

}
