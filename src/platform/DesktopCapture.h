#pragma once
#include <optional>

#include "platform/BgrPixels.h"

// The pixels of the whole primary screen as they are now, taken before the
// saver's own window shows (the X server's root window on Linux, a screen copy
// on Windows). Nothing when the screen cannot be read (for example under
// Wayland without X).
std::optional<TBgrPixels> CaptureDesktop();
