#include "host/HostWindow.h"

#include <cstdlib>
#include <exception>
#include <utility>

#include "host/CommandLine.h"
#include "host/LinuxHostPlatform.h"
#include "host/PasswordCheck.h"

TSaverMode SaverMode = smChangePassword;   // zero until the dispatch sets it
TSaverCallbacks HostCallbacks;
bool TimerActive = false;
TPoint SavedCursor;
bool CheckingPassword = false;
IHostPlatform* HostPlatform = nullptr;

namespace {

// WM_CREATE's answer that makes the window system give up the window.
constexpr intptr_t CreationRefused = -1;

// Why OnCreate failed, kept for RunHost to report once the half-made window
// is gone; empty while creation has not failed.
std::exception_ptr CreationError;

// Stage 1, in every mode; whether the message was handled.
bool HandleEveryMode(THostWindow window, uint32_t message, uintptr_t wParam)
{
    switch (message) {
    case WM_DESTROY:
        StopHostTimer(window);
        // A scene whose creation failed has released its own share already.
        if (HostCallbacks.OnDestroy && !CreationError)
            HostCallbacks.OnDestroy(window, SaverMode);
        HostPlatform->PostQuitMessage(0);
        return true;
    case WM_TIMER:
        if (wParam == HostTimerId && HostCallbacks.OnTimer) {
            HostCallbacks.OnTimer(window, SaverMode);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void RequestClose(THostWindow window) { HostPlatform->PostMessage(window, WM_CLOSE, 0, 0); }

// Stage 2, full screen only: input ends the saver; whether the message was handled.
bool HandleFullScreen(THostWindow window, uint32_t message, uintptr_t wParam)
{
    IHostPlatform& platform = *HostPlatform;
    switch (message) {
    case WM_ACTIVATE:
        if (wParam == 0)
            return false;
        SavedCursor = platform.GetCursorPos();
        return true;
    case WM_CLOSE:
        if (platform.IsWin9xFamily() && CheckPassword(window) == 0) {
            // Rejected: the saver stays, and movement counts from here on.
            SavedCursor = platform.GetCursorPos();
            return true;
        }
        return false;
    case WM_SHOWWINDOW:
        if (wParam != 0)
            platform.HideCursor(window);
        return false;
    case WM_SETCURSOR:
        platform.HideCursor(window);
        return true;
    case WM_NCACTIVATE:
        // Refusing the deactivation keeps the saver in front.
        return wParam == 0;
    case WM_SYSCOMMAND:
        return wParam == SC_SCREENSAVE || wParam == SC_CLOSE;
    case WM_MOUSEMOVE: {
        // The real cursor, not the message's parameters: the scene forwards
        // movement with zeros.
        const TPoint cursor = platform.GetCursorPos();
        if (std::abs(static_cast<int64_t>(cursor.X) - SavedCursor.X) > MouseMoveThreshold ||
            std::abs(static_cast<int64_t>(cursor.Y) - SavedCursor.Y) > MouseMoveThreshold) {
            RequestClose(window);
            return true;
        }
        return false;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        RequestClose(window);
        return true;
    default:
        return false;
    }
}

// FreePasswordCheck on every way out of the run, an error included; and the
// platform is only the rules' for the length of the run.
class THostRun {
public:
    explicit THostRun(IHostPlatform& platform) { HostPlatform = &platform; }
    ~THostRun()
    {
        FreePasswordCheck();
        HostPlatform = nullptr;
    }
    THostRun(const THostRun&) = delete;
    THostRun& operator=(const THostRun&) = delete;
};

// The scene is built inside WM_CREATE. An error there cannot travel through the
// window system's dispatch (on Windows it would cross the system's own frames),
// so it is kept, creation is refused and the window system removes the
// half-made window while the platform is still there.
intptr_t CreateHostContent(THostWindow window)
{
    if (!HostCallbacks.OnCreate)
        return 0;
    try {
        HostCallbacks.OnCreate(window, SaverMode);
    } catch (...) {
        CreationError = std::current_exception();
        return CreationRefused;
    }
    return 0;
}

}

void ResetHostState()
{
    SaverMode = smChangePassword;
    HostCallbacks = TSaverCallbacks{};
    TimerActive = false;
    SavedCursor = TPoint{};
    CheckingPassword = false;
    CreationError = nullptr;
    PasswordLibrary = 0;
    VerifyPassword = nullptr;
}

void RunHost(const TSaverCallbacks& callbacks, TSaverMode mode, const std::string& secondArgument)
{
    TLinuxHostPlatform platform;
    RunHost(platform, callbacks, mode, secondArgument);
}

void RunHost(IHostPlatform& platform, const TSaverCallbacks& callbacks, TSaverMode mode,
             const std::string& secondArgument)
{
    THostRun run(platform);
    SaverMode = mode;
    HostCallbacks = callbacks;
    LoadPasswordCheck();
    CreationError = nullptr;
    THostWindow parent = 0;
    if (mode == smPreview) {
        parent = static_cast<uint32_t>(StrToInt(secondArgument));
        // No window has the handle 0: like any parent that is not a window,
        // and not the full-screen window that 0 would otherwise ask for.
        if (parent == 0)
            return;
    } else if (mode == smSaver) {
        if (const THostWindow embedding = platform.EmbeddingWindow()) {
            // Drawing in another program's window is a preview in all but
            // name: that program owns the input, the focus and the screen,
            // and runs one copy of us per monitor side by side.
            SaverMode = smPreview;
            parent = embedding;
        }
    }
    const THostWindow window = CreateHostWindow(parent);
    if (!window) {
        if (!CreationError)
            return;
        std::exception_ptr error = std::exchange(CreationError, nullptr);
        // A preview whose window went away while the scene was being built was
        // closed by its host program: nothing to report.
        int32_t width = 0;
        int32_t height = 0;
        if (SaverMode == smPreview && !platform.GetClientRect(parent, width, height))
            return;
        std::rethrow_exception(error);
    }
    StartHostTimer(window);
    if (SaverMode != smPreview)
        platform.SetForegroundWindow(window);
    platform.RunMessageLoop();
}

THostWindow CreateHostWindow(THostWindow parent)
{
    IHostPlatform& platform = *HostPlatform;
    THostWindowParams params;
    params.Parent = parent;
    params.ClassName = HostClassName;
    if (parent) {
        if (!platform.GetClientRect(parent, params.Width, params.Height))
            return 0;
        params.Title = PreviewTitle;
    } else {
        platform.GetScreenSize(params.Width, params.Height);
        params.Title = FullScreenTitle;
        params.TopMost = true;
        // A second full-screen saver never starts.
        if (platform.FindWindow(HostClassName, FullScreenTitle))
            return 0;
    }
    if (!platform.RegisterClass(HostClassName))
        return 0;
    return platform.CreateWindow(params);
}

intptr_t HostWindowProc(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    IHostPlatform& platform = *HostPlatform;
    // While the platform's password dialog is open it pumps our messages; they
    // all get the default treatment.
    if (CheckingPassword)
        return platform.DefWindowProc(window, message, wParam, lParam);
    if (message == WM_CREATE)
        return CreateHostContent(window);
    bool handled = HandleEveryMode(window, message, wParam);
    if (!handled && SaverMode == smSaver)
        handled = HandleFullScreen(window, message, wParam);
    return handled ? 0 : platform.DefWindowProc(window, message, wParam, lParam);
}

void StartHostTimer(THostWindow window)
{
    if (HostCallbacks.OnTimer && HostCallbacks.TimerInterval > 0)
        TimerActive = HostPlatform->SetTimer(window, HostTimerId, static_cast<uint32_t>(HostCallbacks.TimerInterval));
    else
        TimerActive = false;
}

void StopHostTimer(THostWindow window)
{
    if (!TimerActive)
        return;
    IHostPlatform& platform = *HostPlatform;
    platform.KillTimer(window, HostTimerId);
    // A tick already waiting would reach OnTimer after OnDestroy.
    while (platform.RemoveTimerMessage(window)) {
    }
    TimerActive = false;
}
