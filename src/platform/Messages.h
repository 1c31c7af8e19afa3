#pragma once
#include <cstdint>

// The window-message vocabulary the program's windows talk in. The values are
// the Windows ones, so the host and scene rules read the same on every
// platform; the window system layer translates its own events into them.

// A window: an opaque handle of the window system (an X11 window id here, or a
// message-only handle made by the event loop), 0 for none.
using TWindow = uintptr_t;

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// One message as the loop hands it out.
struct TMsg {
    TWindow Window = 0;
    uint32_t Message = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    // Made by a window timer rather than posted; such a tick is dropped at
    // dispatch when its timer was stopped after it was taken.
    bool FromTimer = false;
};

constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_SETFOCUS = 0x0007;
constexpr uint32_t WM_KILLFOCUS = 0x0008;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_SHOWWINDOW = 0x0018;
constexpr uint32_t WM_SETCURSOR = 0x0020;
constexpr uint32_t WM_NCACTIVATE = 0x0086;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
// First message number free for the program's own use.
constexpr uint32_t WM_USER = 0x0400;

// WM_ACTIVATE's first parameter.
constexpr uintptr_t WA_INACTIVE = 0;
constexpr uintptr_t WA_ACTIVE = 1;

// WM_SYSCOMMAND's first parameter.
constexpr uintptr_t SC_CLOSE = 0xF060;
constexpr uintptr_t SC_SCREENSAVE = 0xF140;

// Hit-test code in the low word of WM_SETCURSOR's second parameter.
constexpr intptr_t HTCLIENT = 1;

// Key messages: the first parameter is the virtual-key code; bit 29 of the
// second parameter is set while Alt is held.
constexpr intptr_t KF_ALTDOWN = intptr_t{1} << 29;

constexpr uint32_t VK_BACK = 0x08;
constexpr uint32_t VK_TAB = 0x09;
constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_SHIFT = 0x10;
constexpr uint32_t VK_CONTROL = 0x11;
constexpr uint32_t VK_MENU = 0x12;   // Alt
constexpr uint32_t VK_PAUSE = 0x13;
constexpr uint32_t VK_CAPITAL = 0x14;
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_PRIOR = 0x21;
constexpr uint32_t VK_NEXT = 0x22;
constexpr uint32_t VK_END = 0x23;
constexpr uint32_t VK_HOME = 0x24;
constexpr uint32_t VK_LEFT = 0x25;
constexpr uint32_t VK_UP = 0x26;
constexpr uint32_t VK_RIGHT = 0x27;
constexpr uint32_t VK_DOWN = 0x28;
constexpr uint32_t VK_INSERT = 0x2D;
constexpr uint32_t VK_DELETE = 0x2E;
constexpr uint32_t VK_0 = 0x30;      // through VK_0 + 9
constexpr uint32_t VK_A = 0x41;      // through VK_A + 25
constexpr uint32_t VK_LWIN = 0x5B;
constexpr uint32_t VK_NUMPAD0 = 0x60;
constexpr uint32_t VK_F1 = 0x70;     // through VK_F1 + 23
constexpr uint32_t VK_NUMLOCK = 0x90;
constexpr uint32_t VK_SCROLL = 0x91;
// A key the translation has no code for still counts as a key press.
constexpr uint32_t VK_OEM_UNKNOWN = 0xFF;

// The two signed 16-bit coordinates packed into a mouse message's second
// parameter, and back.
constexpr intptr_t MakePointParam(int32_t x, int32_t y)
{
    return static_cast<intptr_t>((static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF));
}
constexpr TPoint PointFromParam(intptr_t lParam)
{
    return {static_cast<int16_t>(lParam & 0xFFFF), static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
}
