#pragma once
#include <cstdint>

// The run mode picked by the command line; the values are fixed because the
// host compares against them and passes them to the callbacks.
enum TSaverMode : uint8_t {
    smChangePassword = 0,
    smPreview = 1,
    smConfigure = 2,
    smSaver = 3,
};

// A window as the host and its callbacks know it: an opaque handle of the
// platform's window system (an X11 window id on Linux), 0 for none.
using THostWindow = uintptr_t;

using TSaverWindowProc = void (*)(THostWindow window, TSaverMode mode);
using TConfigureProc = void (*)(THostWindow window);

// The routines start-up hands to the host; an absent (null) routine is skipped.
struct TSaverCallbacks {
    TSaverWindowProc OnCreate = nullptr;
    TSaverWindowProc OnTimer = nullptr;
    TSaverWindowProc OnDestroy = nullptr;
    TConfigureProc OnConfigure = nullptr;
    int32_t TimerInterval = 40;   // milliseconds
};
