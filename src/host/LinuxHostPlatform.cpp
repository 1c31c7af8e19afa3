#include "host/LinuxHostPlatform.h"

#include "host/HostWindow.h"
#include "platform/EventLoop.h"
#include "platform/TerminationSignals.h"
#include "platform/x11/WindowSystem.h"

TLinuxHostPlatform::TLinuxHostPlatform()
{
    // From the very start, so that a signal during set-up still ends cleanly.
    InstallTerminationSignals(UiLoop());
    UiLoop().SetTerminateHandler([this] {
        if (HostWindow && UiLoop().IsWindow(HostWindow))
            UiLoop().DestroyWindow(HostWindow);
        else
            UiLoop().PostQuitMessage(0);
    });
    try {
        Windows = std::make_unique<TWindowSystem>(UiLoop());
    } catch (...) {
        RemoveTerminationSignals();
        UiLoop().SetTerminateHandler({});
        throw;
    }
}

TLinuxHostPlatform::~TLinuxHostPlatform()
{
    Windows.reset();
    RemoveTerminationSignals();
    UiLoop().SetTerminateHandler({});
}

bool TLinuxHostPlatform::RegisterClass(const std::string&) { return true; }

THostWindow TLinuxHostPlatform::FindWindow(const std::string& className, const std::string& title)
{
    return Windows->FindWindow(className, title);
}

bool TLinuxHostPlatform::GetClientRect(THostWindow window, int32_t& right, int32_t& bottom)
{
    TWindowSize size;
    if (!Windows->GetClientSize(window, size))
        return false;
    right = size.Width;
    bottom = size.Height;
    return true;
}

void TLinuxHostPlatform::GetScreenSize(int32_t& width, int32_t& height)
{
    const TWindowSize size = Windows->PrimaryScreenSize();
    width = size.Width;
    height = size.Height;
}

THostWindow TLinuxHostPlatform::EmbeddingWindow()
{
    Embedding = Windows->ScreenSaverWindow();
    return Embedding;
}

THostWindow TLinuxHostPlatform::CreateWindow(const THostWindowParams& params)
{
    TCreateWindowParams create;
    create.Parent = params.Parent;
    create.Width = params.Width;
    create.Height = params.Height;
    create.Title = params.Title;
    create.ClassName = params.ClassName;
    create.FullScreen = params.TopMost && params.Parent == 0;
    // In XScreenSaver's window, keys and buttons stay XScreenSaver's. A preview
    // takes them, for the scene's own keys.
    create.TakesInput = Embedding == 0 || params.Parent != Embedding;
    HostWindow = Windows->CreateWindow(create, [this](TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
        // Known from WM_CREATE on, so that an end requested meanwhile finds it.
        HostWindow = window;
        return HostWindowProc(window, message, wParam, lParam);
    });
    return HostWindow;
}

void TLinuxHostPlatform::SetForegroundWindow(THostWindow window) { Windows->SetForegroundWindow(window); }

void TLinuxHostPlatform::RunMessageLoop() { UiLoop().Run(); }

TPoint TLinuxHostPlatform::GetCursorPos() { return Windows->GetCursorPos(); }

void TLinuxHostPlatform::PostMessage(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    UiLoop().PostMessage(window, message, wParam, lParam);
}

void TLinuxHostPlatform::PostQuitMessage(int32_t exitCode) { UiLoop().PostQuitMessage(exitCode); }

intptr_t TLinuxHostPlatform::DefWindowProc(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return Windows->DefWindowProc(window, message, wParam, lParam);
}

void TLinuxHostPlatform::HideCursor(THostWindow window) { Windows->HideCursor(window); }

void TLinuxHostPlatform::SetWindowTopmost(THostWindow window, bool topmost) { Windows->SetTopmost(window, topmost); }

bool TLinuxHostPlatform::SetTimer(THostWindow window, uintptr_t id, uint32_t intervalMs)
{
    return UiLoop().SetTimer(window, id, intervalMs);
}

void TLinuxHostPlatform::KillTimer(THostWindow window, uintptr_t id) { UiLoop().KillTimer(window, id); }

bool TLinuxHostPlatform::RemoveTimerMessage(THostWindow window)
{
    TMsg msg;
    return UiLoop().PeekMessage(msg, window, WM_TIMER, WM_TIMER, true);
}

bool TLinuxHostPlatform::IsWin9xFamily() { return false; }

void TLinuxHostPlatform::SystemParametersInfo(uint32_t, uint32_t) {}

bool TLinuxHostPlatform::OpenDesktopKey() { return false; }

bool TLinuxHostPlatform::QueryDesktopValue(const std::string&, uint8_t*, uint32_t) { return false; }

void TLinuxHostPlatform::CloseDesktopKey() {}

TLibraryHandle TLinuxHostPlatform::LoadLibrary(const std::string&) { return 0; }

TVerifyScreenSavePwd TLinuxHostPlatform::GetVerifyEntry(TLibraryHandle, const std::string&) { return {}; }

void TLinuxHostPlatform::FreeLibrary(TLibraryHandle) {}
