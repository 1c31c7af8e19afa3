#pragma once
#include <memory>

#include "host/HostPlatform.h"

class TWindowSystem;

// The host's platform on Linux: the X11 window system and the program's event
// loop. There is no Windows 9x password here, so the password services find
// nothing. Making it connects to the display (EWindowSystemError when there
// is none) and routes SIGTERM, SIGINT and SIGHUP into the destruction of the
// host window, the way closing it ends the run.
class TLinuxHostPlatform : public IHostPlatform {
public:
    TLinuxHostPlatform();
    ~TLinuxHostPlatform() override;
    TLinuxHostPlatform(const TLinuxHostPlatform&) = delete;
    TLinuxHostPlatform& operator=(const TLinuxHostPlatform&) = delete;

    bool RegisterClass(const std::string& className) override;
    THostWindow FindWindow(const std::string& className, const std::string& title) override;
    bool GetClientRect(THostWindow window, int32_t& right, int32_t& bottom) override;
    void GetScreenSize(int32_t& width, int32_t& height) override;
    THostWindow EmbeddingWindow() override;
    THostWindow CreateWindow(const THostWindowParams& params) override;
    void SetForegroundWindow(THostWindow window) override;
    void RunMessageLoop() override;

    TPoint GetCursorPos() override;
    void PostMessage(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void PostQuitMessage(int32_t exitCode) override;
    intptr_t DefWindowProc(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void HideCursor(THostWindow window) override;
    void SetWindowTopmost(THostWindow window, bool topmost) override;
    bool SetTimer(THostWindow window, uintptr_t id, uint32_t intervalMs) override;
    void KillTimer(THostWindow window, uintptr_t id) override;
    bool RemoveTimerMessage(THostWindow window) override;

    bool IsWin9xFamily() override;
    void SystemParametersInfo(uint32_t action, uint32_t param) override;
    bool OpenDesktopKey() override;
    bool QueryDesktopValue(const std::string& name, uint8_t* buffer, uint32_t size) override;
    void CloseDesktopKey() override;
    TLibraryHandle LoadLibrary(const std::string& name) override;
    TVerifyScreenSavePwd GetVerifyEntry(TLibraryHandle library, const std::string& name) override;
    void FreeLibrary(TLibraryHandle library) override;

private:
    std::unique_ptr<TWindowSystem> Windows;
    THostWindow HostWindow = 0;
    THostWindow Embedding = 0;   // the window XScreenSaver named, once asked
};
