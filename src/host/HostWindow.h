#pragma once
#include <cstdint>
#include <string>

#include "host/HostPlatform.h"
#include "host/SaverTypes.h"
#include "platform/Messages.h"

// The host window of the preview and full-screen modes: its state, its
// message rules and its timer. All on the user-interface thread.

constexpr char HostClassName[] = "WindowsScreenSaverClass";
constexpr char FullScreenTitle[] = "Screen Saver";
constexpr char PreviewTitle[] = "Preview";
constexpr uintptr_t HostTimerId = 1;
// More movement than this, in x or in y, ends the full-screen saver.
constexpr int32_t MouseMoveThreshold = 5;

// Process-wide host state.
extern TSaverMode SaverMode;
extern TSaverCallbacks HostCallbacks;
extern bool TimerActive;
extern TPoint SavedCursor;
extern bool CheckingPassword;
// The platform the rules talk to; set by RunHost for its run.
extern IHostPlatform* HostPlatform;

// Back to the state at process start.
void ResetHostState();

// Runs the host window of the preview and full-screen modes until it is gone.
// secondArgument is the command line's second argument (the preview's parent).
// Fails with the window system's message when there is no display.
void RunHost(const TSaverCallbacks& callbacks, TSaverMode mode, const std::string& secondArgument);
// The same on a given platform.
void RunHost(IHostPlatform& platform, const TSaverCallbacks& callbacks, TSaverMode mode,
             const std::string& secondArgument);

THostWindow CreateHostWindow(THostWindow parent);
intptr_t HostWindowProc(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void StartHostTimer(THostWindow window);
void StopHostTimer(THostWindow window);
