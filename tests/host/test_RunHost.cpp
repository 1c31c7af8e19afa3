#include "HostTestSupport.h"
#include "host/CommandLine.h"

#include <stdexcept>
#include <string>

namespace {

using TCalls = std::vector<std::string>;

class RunHostTest : public HostRules {
protected:
    void SetUp() override
    {
        HostRules::SetUp();
        HostPlatform = nullptr;   // RunHost sets it for its run
        // The loop ends as soon as it starts: the window is closed from outside.
        Platform.LoopBody = [this] {
            Platform.Loop.DestroyWindow(Platform.NextWindow - 1);
            Platform.Loop.Run();
        };
    }
};

TEST_F(RunHostTest, FullScreenRunsInOrderAndReleasesThePasswordCheckLast)
{
    Platform.Win9x = true;
    Platform.UsePasswordValue = {1};
    RunHost(Platform, RecordingCallbacks(), smSaver, "");
    EXPECT_EQ(Platform.Calls,
              (TCalls{"OpenDesktopKey", "Query ScreenSaveUsePassword", "LoadLibrary PASSWORD.CPL",
                      "GetVerifyEntry VerifyScreenSavePwd", "SystemParametersInfo 97 4294967295", "CloseDesktopKey",
                      "FindWindow WindowsScreenSaverClass/Screen Saver", "RegisterClass WindowsScreenSaverClass",
                      "CreateWindow Screen Saver", "SetTimer 1 40", "SetForegroundWindow", "RunMessageLoop",
                      "KillTimer 1", "PostQuitMessage 0", "FreeLibrary 77", "SystemParametersInfo 97 0"}));
    EXPECT_EQ(Platform.Created.Width, 1024);
    EXPECT_EQ(Platform.Created.Height, 768);
    EXPECT_TRUE(Platform.Created.TopMost);
    EXPECT_EQ(Platform.Created.Parent, 0u);
    EXPECT_EQ(CallbackLog, (std::vector<std::string>{"OnCreate 3", "OnDestroy 3"}));
    EXPECT_EQ(HostPlatform, nullptr);
}

TEST_F(RunHostTest, SecondFullScreenSaverEndsAtOnceWithoutAWindow)
{
    Platform.ExistingSaver = 0x1200001;
    RunHost(Platform, RecordingCallbacks(), smSaver, "");
    EXPECT_EQ(Platform.Calls, (TCalls{"FindWindow WindowsScreenSaverClass/Screen Saver"}));
    EXPECT_TRUE(CallbackLog.empty());
}

TEST_F(RunHostTest, PreviewSitsInTheParentsClientAreaAndIsNotBroughtForward)
{
    Platform.ClientRects[0x1A2B] = {152, 112};
    RunHost(Platform, RecordingCallbacks(), smPreview, "0x1A2B");
    EXPECT_EQ(Platform.Created.Parent, 0x1A2Bu);
    EXPECT_EQ(Platform.Created.Width, 152);
    EXPECT_EQ(Platform.Created.Height, 112);
    EXPECT_EQ(Platform.Created.Title, "Preview");
    EXPECT_FALSE(Platform.Created.TopMost);
    for (const auto& call : Platform.Calls) {
        EXPECT_NE(call, "SetForegroundWindow");
        EXPECT_EQ(call.find("FindWindow"), std::string::npos);
    }
    EXPECT_EQ(CallbackLog, (std::vector<std::string>{"OnCreate 1", "OnDestroy 1"}));

    CallbackLog.clear();
    Platform.Calls.clear();
    Platform.ClientRects[6699] = {200, 150};
    RunHost(Platform, RecordingCallbacks(), smPreview, "6699");
    EXPECT_EQ(Platform.Created.Parent, 6699u);
}

TEST_F(RunHostTest, PreviewWithoutAValidParentMakesNoWindowAndStillReleasesTheCheck)
{
    Platform.Win9x = true;
    Platform.UsePasswordValue = {1};
    EXPECT_THROW(RunHost(Platform, RecordingCallbacks(), smPreview, "12ab"), EConvertError);
    EXPECT_EQ(Platform.Calls.back(), "SystemParametersInfo 97 0");
    EXPECT_EQ(HostPlatform, nullptr);

    Platform.Calls.clear();
    RunHost(Platform, RecordingCallbacks(), smPreview, "777");   // no such window
    EXPECT_EQ(Platform.Calls.back(), "SystemParametersInfo 97 0");
    EXPECT_TRUE(CallbackLog.empty());
}

TEST_F(RunHostTest, PreviewOfWindowZeroEndsQuietly)
{
    Platform.ClientRects[0] = {1024, 768};   // what a full-screen window would get
    for (const char* zero : {"0", "-0", "0x0", "$0"}) {
        Platform.Calls.clear();
        RunHost(Platform, RecordingCallbacks(), smPreview, zero);
        for (const auto& call : Platform.Calls)
            EXPECT_EQ(call.find("CreateWindow"), std::string::npos) << zero;
        EXPECT_TRUE(CallbackLog.empty()) << zero;
    }
}

// OnCreate fails as loading a wrongly typed setting does.
TSaverCallbacks FailingCallbacks()
{
    TSaverCallbacks callbacks = RecordingCallbacks();
    callbacks.OnCreate = [](THostWindow, TSaverMode mode) {
        LogCallback("OnCreate", mode);
        throw std::runtime_error("Invalid data type for 'BallsCount'");
    };
    return callbacks;
}

TEST_F(RunHostTest, FailedCreationRemovesTheWindowWhileThePlatformIsThereAndReportsTheError)
{
    for (TSaverMode mode : {smSaver, smPreview}) {
        CallbackLog.clear();
        Platform.Calls.clear();
        Platform.ClientRects[0x1A2B] = {152, 112};
        try {
            RunHost(Platform, FailingCallbacks(), mode, "0x1A2B");
            ADD_FAILURE() << "the error was lost in mode " << mode;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Invalid data type for 'BallsCount'");
        }
        // Only OnCreate ran: no OnDestroy for a window that never was.
        EXPECT_EQ(CallbackLog, (std::vector<std::string>{"OnCreate " + std::to_string(mode)}));
        EXPECT_FALSE(Platform.Loop.IsWindow(Platform.NextWindow - 1));
        for (const auto& call : Platform.Calls)
            EXPECT_NE(call, "RunMessageLoop");
        EXPECT_EQ(HostPlatform, nullptr);
    }
}

TEST_F(RunHostTest, PreviewWhoseParentWentAwayDuringCreationEndsQuietly)
{
    Platform.ClientRects[0x1A2B] = {152, 112};
    static TFakeHostPlatform* vanishing;
    vanishing = &Platform;
    TSaverCallbacks callbacks = FailingCallbacks();
    callbacks.OnCreate = [](THostWindow, TSaverMode) {
        vanishing->ClientRects.erase(0x1A2B);
        throw std::runtime_error("the drawing device cannot be initialised");
    };
    EXPECT_NO_THROW(RunHost(Platform, callbacks, smPreview, "0x1A2B"));
    EXPECT_TRUE(CallbackLog.empty());
    EXPECT_EQ(HostPlatform, nullptr);
}

TEST_F(RunHostTest, FullScreenInsideAnotherProgramsWindowRunsAsItsPreview)
{
    Platform.Embedding = 0x2C00007;
    Platform.ClientRects[0x2C00007] = {1280, 1024};
    // Another embedded copy, or a stand-alone saver, does not stop this one.
    Platform.ExistingSaver = 0x1200001;
    THostWindow window = 0;
    std::vector<TMsg> posted;
    Platform.LoopBody = [&] {
        window = Platform.NextWindow - 1;
        // What the window hears of the pointer and keys is its owner's business.
        Platform.Cursor = {400, 300};
        for (uint32_t message : {WM_ACTIVATE, WM_MOUSEMOVE, WM_KEYDOWN, WM_LBUTTONDOWN, WM_SETCURSOR})
            HostWindowProc(window, message, 1, 0);
        posted = Platform.Posted;
        Platform.Loop.DestroyWindow(window);
        Platform.Loop.Run();
    };
    RunHost(Platform, RecordingCallbacks(), smSaver, "");
    EXPECT_EQ(Platform.Created.Parent, 0x2C00007u);
    EXPECT_EQ(Platform.Created.Width, 1280);
    EXPECT_EQ(Platform.Created.Height, 1024);
    EXPECT_EQ(Platform.Created.Title, "Preview");
    EXPECT_FALSE(Platform.Created.TopMost);
    for (const auto& call : Platform.Calls) {
        EXPECT_NE(call, "SetForegroundWindow");
        EXPECT_EQ(call.find("FindWindow"), std::string::npos);
    }
    EXPECT_TRUE(posted.empty());
    EXPECT_EQ(Platform.HiddenCursor, 0);
    EXPECT_EQ(CallbackLog, (std::vector<std::string>{"OnCreate 1", "OnDestroy 1"}));
}

TEST_F(RunHostTest, ANamedWindowOnlyChangesTheFullScreenMode)
{
    Platform.Embedding = 0x2C00007;
    Platform.ClientRects[0x2C00007] = {1280, 1024};
    Platform.ClientRects[6699] = {200, 150};
    RunHost(Platform, RecordingCallbacks(), smPreview, "6699");
    EXPECT_EQ(Platform.Created.Parent, 6699u);

    // Without a named window the full-screen rules stay whole.
    Platform.Embedding = 0;
    Platform.Calls.clear();
    RunHost(Platform, RecordingCallbacks(), smSaver, "");
    EXPECT_EQ(Platform.Created.Parent, 0u);
    EXPECT_EQ(Platform.Created.Title, "Screen Saver");
    EXPECT_EQ(Platform.Calls.front(), "FindWindow WindowsScreenSaverClass/Screen Saver");
    EXPECT_EQ(SaverMode, smSaver);
}

}
