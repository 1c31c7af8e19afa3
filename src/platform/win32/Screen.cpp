#include "platform/Screen.h"

#include "platform/win32/Windows.h"

TPixelSize PrimaryScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

TPixelSize WindowClientSize(uintptr_t window)
{
    RECT rect{};
    HWND handle = reinterpret_cast<HWND>(window);
    if (!IsWindow(handle) || !GetClientRect(handle, &rect))
        throw EScreenError("there is no window " + std::to_string(window));
    return {rect.right, rect.bottom};
}

TPixelSize MonitorSizeAround(uintptr_t window)
{
    if (!IsWindow(reinterpret_cast<HWND>(window)))
        throw EScreenError("there is no window " + std::to_string(window));
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromWindow(reinterpret_cast<HWND>(window), MONITOR_DEFAULTTOPRIMARY);
    if (!monitor || !GetMonitorInfoW(monitor, &info))
        return PrimaryScreenSize();
    return {info.rcMonitor.right - info.rcMonitor.left, info.rcMonitor.bottom - info.rcMonitor.top};
}
