// A stand-in for the control panel's preview: a top-level window of another
// program. Prints the handle of its window (decimal) on standard output. On
// standard input, "children" lists the visible windows inside it, one
// "child CLASS WIDTHxHEIGHT" line each, then "end"; "destroy" destroys it,
// which is answered with "destroyed".
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "platform/win32/Windows.h"

namespace {

constexpr UINT DestroyRequest = WM_APP + 1;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == DestroyRequest) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

BOOL CALLBACK ListChild(HWND child, LPARAM)
{
    wchar_t name[128] = {};
    GetClassNameW(child, name, 128);
    RECT rect{};
    GetClientRect(child, &rect);
    if (IsWindowVisible(child))
        std::printf("child %ls %ldx%ld\n", name, rect.right, rect.bottom);
    return TRUE;
}

}

int main(int argc, char** argv)
{
    const int width = argc > 1 ? std::stoi(argv[1]) : 320;
    const int height = argc > 2 ? std::stoi(argv[2]) : 240;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ParentProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"TessalyTestParent";
    RegisterClassW(&windowClass);
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExW(0, L"TessalyTestParent", L"Preview parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                                  50, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return 1;
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    std::fflush(stdout);
    std::thread reader([window] {
        char line[64];
        while (std::fgets(line, sizeof line, stdin)) {
            if (std::strncmp(line, "children", 8) == 0) {
                EnumChildWindows(window, ListChild, 0);
                std::printf("end\n");
                std::fflush(stdout);
            } else if (std::strncmp(line, "destroy", 7) == 0) {
                PostMessageW(window, DestroyRequest, 0, 0);
                return;
            }
        }
    });
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    std::printf("destroyed\n");
    std::fflush(stdout);
    reader.join();
    return 0;
}
