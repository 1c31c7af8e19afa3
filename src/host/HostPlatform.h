#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "host/SaverTypes.h"
#include "platform/Messages.h"

// The password library's entry: takes the host window, non-zero when the
// password was accepted.
using TVerifyScreenSavePwd = std::function<int32_t(THostWindow window)>;
// A loaded library, 0 for none.
using TLibraryHandle = uintptr_t;

// What the host asks of the window system when it makes its window.
struct THostWindowParams {
    THostWindow Parent = 0;   // 0: a top-level window over the whole screen
    int32_t Width = 0;
    int32_t Height = 0;
    std::string ClassName;
    std::string Title;
    bool TopMost = false;
};

// Everything the host's rules need of the platform, so that the rules are the
// same everywhere and can be watched with a stand-in platform. Each operation
// carries the meaning of the Windows call it is named after.
class IHostPlatform {
public:
    virtual ~IHostPlatform() = default;

    // Window system.
    virtual bool RegisterClass(const std::string& className) = 0;
    // A window with this class and title exists (FindWindow, then IsWindow).
    virtual THostWindow FindWindow(const std::string& className, const std::string& title) = 0;
    // Right and bottom of the window's client rectangle; false when it is no window.
    virtual bool GetClientRect(THostWindow window, int32_t& right, int32_t& bottom) = 0;
    virtual void GetScreenSize(int32_t& width, int32_t& height) = 0;
    // The window another program hands a full-screen saver to draw in
    // instead of the screen (XScreenSaver names one per monitor); 0 when none
    // is named or it does not exist. Platforms without such a host keep 0.
    virtual THostWindow EmbeddingWindow() { return 0; }
    // Makes and shows the window; HostWindowProc receives WM_CREATE inside,
    // before the window is first visible. 0 when it cannot be made.
    virtual THostWindow CreateWindow(const THostWindowParams& params) = 0;
    virtual void SetForegroundWindow(THostWindow window) = 0;
    // Takes, translates and dispatches messages until the quit message.
    virtual void RunMessageLoop() = 0;

    // Messages.
    virtual TPoint GetCursorPos() = 0;
    virtual void PostMessage(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    virtual void PostQuitMessage(int32_t exitCode) = 0;
    virtual intptr_t DefWindowProc(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // SetCursor with no cursor, over the window.
    virtual void HideCursor(THostWindow window) = 0;
    // Into (true) or out of the topmost band, without moving or sizing.
    virtual void SetWindowTopmost(THostWindow window, bool topmost) = 0;
    virtual bool SetTimer(THostWindow window, uintptr_t id, uint32_t intervalMs) = 0;
    virtual void KillTimer(THostWindow window, uintptr_t id) = 0;
    // Takes one waiting WM_TIMER of the window out of the queue; false when none is left.
    virtual bool RemoveTimerMessage(THostWindow window) = 0;

    // System services.
    virtual bool IsWin9xFamily() = 0;
    virtual void SystemParametersInfo(uint32_t action, uint32_t param) = 0;
    // The current user's key "Control Panel\Desktop".
    virtual bool OpenDesktopKey() = 0;
    // Reads a value into `buffer` of `size` bytes; false when it is missing
    // or longer than the buffer.
    virtual bool QueryDesktopValue(const std::string& name, uint8_t* buffer, uint32_t size) = 0;
    virtual void CloseDesktopKey() = 0;
    virtual TLibraryHandle LoadLibrary(const std::string& name) = 0;
    // The library's password entry of that name; empty when it has none.
    virtual TVerifyScreenSavePwd GetVerifyEntry(TLibraryHandle library, const std::string& name) = 0;
    virtual void FreeLibrary(TLibraryHandle library) = 0;
};
