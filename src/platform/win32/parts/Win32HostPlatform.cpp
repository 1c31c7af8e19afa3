#include "platform/win32/parts/Win32HostPlatform.h"

#include "host/HostWindow.h"
#include "platform/EventLoop.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WindowSystem.h"
#include "platform/win32/Windows.h"

namespace {

HWND ToHwnd(THostWindow window) { return reinterpret_cast<HWND>(window); }

using TVerifyEntry = BOOL(WINAPI*)(HWND);

}

TWin32HostPlatform::TWin32HostPlatform() : Windows(std::make_unique<TWin32Windows>(UiLoop())) {}

TWin32HostPlatform::~TWin32HostPlatform() { CloseDesktopKey(); }

bool TWin32HostPlatform::RegisterClass(const std::string& className) { return Windows->RegisterClass(className); }

THostWindow TWin32HostPlatform::FindWindow(const std::string& className, const std::string& title)
{
    HWND found = FindWindowW(Utf8ToWide(className).c_str(), Utf8ToWide(title).c_str());
    return found && IsWindow(found) ? reinterpret_cast<THostWindow>(found) : 0;
}

bool TWin32HostPlatform::GetClientRect(THostWindow window, int32_t& right, int32_t& bottom)
{
    RECT rect{};
    if (!IsWindow(ToHwnd(window)) || !::GetClientRect(ToHwnd(window), &rect))
        return false;
    right = rect.right;
    bottom = rect.bottom;
    return true;
}

void TWin32HostPlatform::GetScreenSize(int32_t& width, int32_t& height)
{
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}

THostWindow TWin32HostPlatform::CreateWindow(const THostWindowParams& params)
{
    return Windows->CreateWindow(params.ClassName, params.Title, params.Parent, params.Width, params.Height,
                                 params.TopMost, HostWindowProc);
}

void TWin32HostPlatform::SetForegroundWindow(THostWindow window) { ::SetForegroundWindow(ToHwnd(window)); }

void TWin32HostPlatform::RunMessageLoop() { UiLoop().Run(); }

TPoint TWin32HostPlatform::GetCursorPos()
{
    POINT point{};
    ::GetCursorPos(&point);
    return {point.x, point.y};
}

void TWin32HostPlatform::PostMessage(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    UiLoop().PostMessage(window, message, wParam, lParam);
}

void TWin32HostPlatform::PostQuitMessage(int32_t exitCode) { UiLoop().PostQuitMessage(exitCode); }

intptr_t TWin32HostPlatform::DefWindowProc(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return Windows->DefWindowProc(window, message, wParam, lParam);
}

void TWin32HostPlatform::HideCursor(THostWindow) { SetCursor(nullptr); }

void TWin32HostPlatform::SetWindowTopmost(THostWindow window, bool topmost)
{
    SetWindowPos(ToHwnd(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TWin32HostPlatform::SetTimer(THostWindow window, uintptr_t id, uint32_t intervalMs)
{
    return ::SetTimer(ToHwnd(window), id, intervalMs, nullptr) != 0;
}

void TWin32HostPlatform::KillTimer(THostWindow window, uintptr_t id) { ::KillTimer(ToHwnd(window), id); }

bool TWin32HostPlatform::RemoveTimerMessage(THostWindow window)
{
    MSG msg;
    return PeekMessageW(&msg, ToHwnd(window), WM_TIMER, WM_TIMER, PM_REMOVE) != 0;
}

bool TWin32HostPlatform::IsWin9xFamily()
{
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

void TWin32HostPlatform::SystemParametersInfo(uint32_t action, uint32_t param)
{
    SystemParametersInfoW(action, param, nullptr, 0);
}

bool TWin32HostPlatform::OpenDesktopKey()
{
    CloseDesktopKey();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DesktopKey = reinterpret_cast<uintptr_t>(key);
    return true;
}

bool TWin32HostPlatform::QueryDesktopValue(const std::string& name, uint8_t* buffer, uint32_t size)
{
    if (!DesktopKey)
        return false;
    DWORD length = size;
    return RegQueryValueExW(reinterpret_cast<HKEY>(DesktopKey), Utf8ToWide(name).c_str(), nullptr, nullptr, buffer,
                            &length) == ERROR_SUCCESS;
}

void TWin32HostPlatform::CloseDesktopKey()
{
    if (DesktopKey)
        RegCloseKey(reinterpret_cast<HKEY>(DesktopKey));
    DesktopKey = 0;
}

TLibraryHandle TWin32HostPlatform::LoadLibrary(const std::string& name)
{
    return reinterpret_cast<TLibraryHandle>(LoadLibraryW(Utf8ToWide(name).c_str()));
}

TVerifyScreenSavePwd TWin32HostPlatform::GetVerifyEntry(TLibraryHandle library, const std::string& name)
{
    auto entry = reinterpret_cast<TVerifyEntry>(
        reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name.c_str())));
    if (!entry)
        return {};
    return [entry](THostWindow window) { return static_cast<int32_t>(entry(ToHwnd(window))); };
}

void TWin32HostPlatform::FreeLibrary(TLibraryHandle library) { ::FreeLibrary(reinterpret_cast<HMODULE>(library)); }
