#include "platform/win32/WindowSystem.h"

#include <utility>

#include "platform/win32/Wide.h"
#include "platform/win32/Windows.h"

namespace {

constexpr wchar_t ChildClassName[] = L"TessalySceneView";

// What a window of ours carries in its user data.
struct TWindowData {
    TEventLoop* Loop = nullptr;
    TWindowProc Proc;
    TWindow Parent = 0;
    // The loop has let go of the window; the system's last messages to it get
    // the default treatment.
    bool Released = false;
};

struct TCreateContext {
    TEventLoop* Loop;
    TWindowProc Proc;
    TWindow Parent;
};

HWND ToHwnd(TWindow window) { return reinterpret_cast<HWND>(window); }
TWindow ToWindow(HWND window) { return reinterpret_cast<TWindow>(window); }

TWindowData* DataOf(HWND window) { return reinterpret_cast<TWindowData*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        const auto* context = static_cast<const TCreateContext*>(create->lpCreateParams);
        auto* data = new TWindowData{context->Loop, context->Proc, context->Parent, false};
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
        // The loop's own record: DestroyWindow through it ends the real window.
        data->Loop->RegisterWindow(ToWindow(hwnd), context->Parent, data->Proc, [hwnd, data] {
            if (data->Released)
                return;
            data->Released = true;
            DestroyWindow(hwnd);
        });
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    TWindowData* data = DataOf(hwnd);
    if (!data)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete data;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (data->Released)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_DESTROY) {
        // Destroyed by the system, not through the loop: the loop tells the
        // window and its children and forgets them.
        data->Released = true;
        data->Loop->DestroyWindow(ToWindow(hwnd));
        return 0;
    }
    // A copy: the procedure may destroy its own window.
    const TWindowProc proc = data->Proc;
    return proc(ToWindow(hwnd), message, wParam, lParam);
}

bool RegisterOurClass(const wchar_t* name, HBRUSH background)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}

TWin32Windows* CurrentWindows = nullptr;

TWin32Windows::TWin32Windows(TEventLoop& loop) : Loop(loop)
{
    Loop.AddEventSource(this);
    CurrentWindows = this;
}

TWin32Windows::~TWin32Windows()
{
    Loop.RemoveEventSource(this);
    if (CurrentWindows == this)
        CurrentWindows = nullptr;
}

TWin32Windows* TWin32Windows::Current() { return CurrentWindows; }

bool TWin32Windows::RegisterClass(const std::string& className)
{
    return RegisterOurClass(Utf8ToWide(className).c_str(), static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

TWindow TWin32Windows::CreateWindow(const std::string& className, const std::string& title, TWindow parent,
                                    int32_t width, int32_t height, bool topMost, TWindowProc proc)
{
    DWORD style = parent ? WS_CHILD : WS_POPUP;
    DWORD extended = 0;
    int left = 0;
    int top = 0;
    if (!parent && topMost) {
        extended = WS_EX_TOPMOST;
    }
    TCreateContext context{&Loop, std::move(proc), parent};
    HWND window = CreateWindowExW(extended, Utf8ToWide(className).c_str(), Utf8ToWide(title).c_str(), style, left,
                                  top, width, height, ToHwnd(parent), nullptr, GetModuleHandleW(nullptr), &context);
    if (!window)
        return 0;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return ToWindow(window);
}

TWindow TWin32Windows::CreateChildWindow(TWindow parent, TWindowProc proc)
{
    // No background brush: the device paints every pixel, and erasing first
    // would flicker.
    if (!RegisterOurClass(ChildClassName, nullptr))
        return 0;
    RECT client{};
    GetClientRect(ToHwnd(parent), &client);
    TCreateContext context{&Loop, std::move(proc), parent};
    HWND window = CreateWindowExW(0, ChildClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, client.right,
                                  client.bottom, ToHwnd(parent), nullptr, GetModuleHandleW(nullptr), &context);
    return ToWindow(window);
}

intptr_t TWin32Windows::DefWindowProc(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    HWND hwnd = ToHwnd(window);
    switch (message) {
    case WM_CLOSE:
        Loop.DestroyWindow(window);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (TWindowData* data = DataOf(hwnd); data && data->Parent)
            return Loop.SendMessage(data->Parent, message, wParam, lParam);
        break;
    default:
        break;
    }
    // Messages the loop made up (window timers, posted checks) mean nothing to the system.
    if (!IsWindow(hwnd))
        return 0;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void TWin32Windows::PumpEvents()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
