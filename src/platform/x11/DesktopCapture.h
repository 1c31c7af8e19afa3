#pragma once
#include <optional>

#include "platform/BgrPixels.h"

// The pixels of the whole primary screen as they are now, read from the X
// server's root window. Nothing when no X display can be reached or the
// screen cannot be read (for example under Wayland without X).
std::optional<TBgrPixels> CaptureDesktop();
