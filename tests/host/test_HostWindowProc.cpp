#include "HostTestSupport.h"

namespace {

bool ClosePosted(const TFakeHostPlatform& platform)
{
    for (const TMsg& msg : platform.Posted)
        if (msg.Message == WM_CLOSE && msg.WParam == 0 && msg.LParam == 0)
            return true;
    return false;
}

using EveryMode = HostRules;

TEST_F(EveryMode, CreateAndDestroyAreAlwaysHandledWithOrWithoutCallbacks)
{
    for (TSaverMode mode : {smSaver, smPreview}) {
        SaverMode = mode;
        EXPECT_EQ(HostWindowProc(Window, WM_CREATE, 0, 0), 0);
        EXPECT_EQ(HostWindowProc(Window, WM_DESTROY, 0, 0), 0);
    }
    HostCallbacks = TSaverCallbacks{};
    HostWindowProc(Window, WM_CREATE, 0, 0);
    HostWindowProc(Window, WM_DESTROY, 0, 0);
    EXPECT_EQ(Platform.DefaultHandled, 0);
    EXPECT_EQ(CallbackLog, (std::vector<std::string>{"OnCreate 3", "OnDestroy 3", "OnCreate 1", "OnDestroy 1"}));
    int quits = 0;
    for (const auto& call : Platform.Calls)
        quits += call == "PostQuitMessage 0";
    EXPECT_EQ(quits, 3);
}

TEST_F(EveryMode, OnlyTimerOneReachesOnTimerAndOnlyWhenThereIsOne)
{
    SaverMode = smPreview;
    HostWindowProc(Window, WM_TIMER, 1, 0);
    EXPECT_EQ(Platform.DefaultHandled, 0);
    HostWindowProc(Window, WM_TIMER, 2, 0);
    EXPECT_EQ(Platform.DefaultHandled, 1);
    HostCallbacks.OnTimer = nullptr;
    HostWindowProc(Window, WM_TIMER, 1, 0);
    EXPECT_EQ(Platform.DefaultHandled, 2);
    EXPECT_EQ(CallbackLog, (std::vector<std::string>{"OnTimer 1"}));
}

TEST_F(EveryMode, WhilePasswordIsCheckedEverythingGoesToDefaultHandling)
{
    CheckingPassword = true;
    for (uint32_t message : {WM_CREATE, WM_DESTROY, WM_TIMER, WM_KEYDOWN, WM_MOUSEMOVE, WM_SETCURSOR})
        HostWindowProc(Window, message, 1, 0);
    EXPECT_EQ(Platform.DefaultHandled, 6);
    EXPECT_TRUE(CallbackLog.empty());
    EXPECT_TRUE(Platform.Posted.empty());
    EXPECT_EQ(Platform.HiddenCursor, 0);
}

// One row of the full-screen rules: a message, the cursor when it is handled,
// and what must follow.
struct TInputRow {
    const char* Name;
    uint32_t Message;
    uintptr_t WParam;
    TPoint Cursor;
    bool Handled;
    bool Closes;
    int HidesCursor;
};

constexpr TPoint Saved{100, 200};

const TInputRow InputRows[] = {
    {"activated", WM_ACTIVATE, WA_ACTIVE, {7, 8}, true, false, 0},
    {"deactivated", WM_ACTIVATE, WA_INACTIVE, {7, 8}, false, false, 0},
    {"shown", WM_SHOWWINDOW, 1, Saved, false, false, 1},
    {"hidden", WM_SHOWWINDOW, 0, Saved, false, false, 0},
    {"cursor asked", WM_SETCURSOR, 0, Saved, true, false, 1},
    {"deactivation refused", WM_NCACTIVATE, 0, Saved, true, false, 0},
    {"activation", WM_NCACTIVATE, 1, Saved, false, false, 0},
    {"start saver swallowed", WM_SYSCOMMAND, SC_SCREENSAVE, Saved, true, false, 0},
    {"close command swallowed", WM_SYSCOMMAND, SC_CLOSE, Saved, true, false, 0},
    {"other command", WM_SYSCOMMAND, 0xF020, Saved, false, false, 0},
    {"moved 5 and 5", WM_MOUSEMOVE, 0, {105, 205}, false, false, 0},
    {"moved -5 and -5", WM_MOUSEMOVE, 0, {95, 195}, false, false, 0},
    {"moved 6 right", WM_MOUSEMOVE, 0, {106, 200}, true, true, 0},
    {"moved 6 up", WM_MOUSEMOVE, 0, {100, 194}, true, true, 0},
    {"moved far left", WM_MOUSEMOVE, 0, {-2000, 200}, true, true, 0},
    {"key", WM_KEYDOWN, VK_A, Saved, true, true, 0},
    {"alt alone", WM_SYSKEYDOWN, VK_MENU, Saved, true, true, 0},
    {"left button", WM_LBUTTONDOWN, 0, Saved, true, true, 0},
    {"right button", WM_RBUTTONDOWN, 0, Saved, true, true, 0},
    {"middle button", WM_MBUTTONDOWN, 0, Saved, true, true, 0},
    {"close request", WM_CLOSE, 0, Saved, false, false, 0},
    {"key released", WM_KEYUP, VK_A, Saved, false, false, 0},
};

using FullScreen = HostRules;

TEST_F(FullScreen, EachInputRuleHandlesClosesAndHidesAsTabled)
{
    for (const TInputRow& row : InputRows) {
        SCOPED_TRACE(row.Name);
        Platform.Posted.clear();
        Platform.DefaultHandled = 0;
        Platform.HiddenCursor = 0;
        SavedCursor = Saved;
        Platform.Cursor = row.Cursor;
        // The message's own coordinates are never looked at.
        HostWindowProc(Window, row.Message, row.WParam, MakePointParam(1000, 1000));
        EXPECT_EQ(Platform.DefaultHandled, row.Handled ? 0 : 1);
        EXPECT_EQ(ClosePosted(Platform), row.Closes);
        EXPECT_EQ(Platform.HiddenCursor, row.HidesCursor);
    }
}

TEST_F(FullScreen, ActivationSetsTheReferenceForMovement)
{
    Platform.Cursor = {300, 300};
    HostWindowProc(Window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(SavedCursor, (TPoint{300, 300}));
    HostWindowProc(Window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(SavedCursor, (TPoint{300, 300}));
    Platform.Cursor = {305, 295};
    HostWindowProc(Window, WM_MOUSEMOVE, 0, 0);
    EXPECT_FALSE(ClosePosted(Platform));
}

TEST_F(FullScreen, MovementBeforeAnyActivationCountsFromTheOrigin)
{
    Platform.Cursor = {5, 5};
    HostWindowProc(Window, WM_MOUSEMOVE, 0, 0);
    EXPECT_FALSE(ClosePosted(Platform));
    Platform.Cursor = {0, 6};
    HostWindowProc(Window, WM_MOUSEMOVE, 0, 0);
    EXPECT_TRUE(ClosePosted(Platform));
}

TEST_F(FullScreen, CloseRequestOutsideWin9xDestroysTheWindow)
{
    Platform.Loop.RegisterWindow(Window, 0, HostWindowProc);
    HostWindowProc(Window, WM_KEYDOWN, VK_SPACE, 0);
    Platform.Loop.RunReady();   // the posted WM_CLOSE
    EXPECT_FALSE(Platform.Loop.IsWindow(Window));
    EXPECT_EQ(CallbackLog, (std::vector<std::string>{"OnDestroy 3"}));
}

using Preview = HostRules;

TEST_F(Preview, NoInputRuleAppliesAndTheCursorStays)
{
    SaverMode = smPreview;
    for (const TInputRow& row : InputRows) {
        SCOPED_TRACE(row.Name);
        Platform.Cursor = {5000, 5000};
        Platform.DefaultHandled = 0;
        HostWindowProc(Window, row.Message, row.WParam, 0);
        EXPECT_EQ(Platform.DefaultHandled, 1);
    }
    EXPECT_TRUE(Platform.Posted.empty());
    EXPECT_EQ(Platform.HiddenCursor, 0);
    EXPECT_EQ(SavedCursor, (TPoint{0, 0}));
}

}
