#pragma once
#include <SDL.h>

#include <vector>

#include "render/IRenderBackend.h"

// The display modes of the display a window is on, and the switch of that
// window to exclusive full screen in one of them; both backends present
// through an SDL window and share these.
std::vector<TDisplayMode> ListSdlDisplayModes(SDL_Window* window);
// False, with nothing changed, when the display lists no such mode or SDL
// refuses it.
bool SwitchSdlDisplayMode(SDL_Window* window, const TDisplayMode& wanted);
