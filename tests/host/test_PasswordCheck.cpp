#include "HostTestSupport.h"

namespace {

using Password = HostRules;
using TCalls = std::vector<std::string>;

const std::string SaverRunningOn = "SystemParametersInfo 97 4294967295";
const std::string SaverRunningOff = "SystemParametersInfo 97 0";

TEST_F(Password, OutsideWin9xNothingIsLoadedAndEveryCloseIsLetThrough)
{
    Platform.UsePasswordValue = {1, 0, 0, 0};
    LoadPasswordCheck();
    FreePasswordCheck();
    EXPECT_TRUE(Platform.Calls.empty());
    EXPECT_EQ(CheckPassword(Window), -1);
}

TEST_F(Password, ShortValueIsReadIntoAZeroedBufferAndSwitchesTheCheckOn)
{
    Platform.Win9x = true;
    Platform.UsePasswordValue = {1};
    LoadPasswordCheck();
    EXPECT_EQ(Platform.Calls, (TCalls{"OpenDesktopKey", "Query ScreenSaveUsePassword", "LoadLibrary PASSWORD.CPL",
                                      "GetVerifyEntry VerifyScreenSavePwd", SaverRunningOn, "CloseDesktopKey"}));
    Platform.Calls.clear();
    FreePasswordCheck();
    FreePasswordCheck();   // the second finds nothing to release
    EXPECT_EQ(Platform.Calls, (TCalls{"FreeLibrary 77", SaverRunningOff}));
    EXPECT_FALSE(VerifyPassword);
    EXPECT_EQ(PasswordLibrary, 0u);
}

TEST_F(Password, EachMissingPieceLeavesNoCheck)
{
    Platform.Win9x = true;
    struct TCase {
        const char* Name;
        std::function<void(TFakeHostPlatform&)> Break;
        TCalls Expected;
    };
    const TCase cases[] = {
        {"key", [](auto& p) { p.DesktopKeyOpens = false; }, {"OpenDesktopKey"}},
        {"value", [](auto& p) { p.UsePasswordValue.clear(); },
         {"OpenDesktopKey", "Query ScreenSaveUsePassword", "CloseDesktopKey"}},
        {"too long", [](auto& p) { p.UsePasswordValue = {1, 0, 0, 0, 0}; },
         {"OpenDesktopKey", "Query ScreenSaveUsePassword", "CloseDesktopKey"}},
        {"zero", [](auto& p) { p.UsePasswordValue = {0, 0, 0, 0}; },
         {"OpenDesktopKey", "Query ScreenSaveUsePassword", "CloseDesktopKey"}},
        {"library", [](auto& p) { p.LibraryLoads = false; },
         {"OpenDesktopKey", "Query ScreenSaveUsePassword", "LoadLibrary PASSWORD.CPL", "CloseDesktopKey"}},
        {"entry", [](auto& p) { p.HasVerifyEntry = false; },
         {"OpenDesktopKey", "Query ScreenSaveUsePassword", "LoadLibrary PASSWORD.CPL",
          "GetVerifyEntry VerifyScreenSavePwd", "FreeLibrary 77", SaverRunningOff, "CloseDesktopKey"}},
    };
    for (const TCase& each : cases) {
        SCOPED_TRACE(each.Name);
        Platform.DesktopKeyOpens = true;
        Platform.UsePasswordValue = {0, 1, 0, 0};   // 256: on
        Platform.LibraryLoads = true;
        Platform.HasVerifyEntry = true;
        Platform.Calls.clear();
        each.Break(Platform);
        LoadPasswordCheck();
        EXPECT_EQ(Platform.Calls, each.Expected);
        EXPECT_EQ(CheckPassword(Window), -1);
    }
}

TEST_F(Password, LoadingAgainReleasesTheFirstLibrary)
{
    LoadAcceptingCheck(1);
    Platform.Calls.clear();
    LoadPasswordCheck();
    ASSERT_GE(Platform.Calls.size(), 2u);
    EXPECT_EQ(Platform.Calls[0], "FreeLibrary 77");
    EXPECT_EQ(Platform.Calls[1], SaverRunningOff);
}

TEST_F(Password, DialogRunsOutsideTheTopmostBandWithMessagesPassedToDefault)
{
    LoadAcceptingCheck(5);
    Platform.Calls.clear();
    EXPECT_EQ(CheckPassword(Window), 5);
    EXPECT_EQ(Platform.Calls, (TCalls{"Topmost off", "Verify", "Topmost on"}));
    EXPECT_TRUE(Platform.CheckingDuringVerify);
    EXPECT_FALSE(CheckingPassword);
}

TEST_F(Password, RejectedCloseKeepsTheSaverAndMeasuresFromTheCursorThen)
{
    LoadAcceptingCheck(0);
    Platform.Loop.RegisterWindow(Window, 0, HostWindowProc);
    SavedCursor = {10, 10};
    Platform.Cursor = {400, 300};
    EXPECT_EQ(HostWindowProc(Window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(Platform.Loop.IsWindow(Window));
    EXPECT_EQ(Platform.DefaultHandled, 0);
    EXPECT_EQ(SavedCursor, (TPoint{400, 300}));

    Platform.VerifyAnswer = 1;
    HostWindowProc(Window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(Platform.Loop.IsWindow(Window));
    EXPECT_EQ(CallbackLog, (std::vector<std::string>{"OnDestroy 3"}));
}

TEST_F(Password, PreviewNeverAsksButStillSwitchesTheRunningFlag)
{
    LoadAcceptingCheck(0);
    SaverMode = smPreview;
    Platform.Loop.RegisterWindow(Window, 0, HostWindowProc);
    Platform.Calls.clear();
    HostWindowProc(Window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(Platform.Loop.IsWindow(Window));
    for (const auto& call : Platform.Calls)
        EXPECT_NE(call, "Verify");
}

}
