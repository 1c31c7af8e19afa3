#pragma once
#include <SDL.h>

#include <functional>

#include "platform/Messages.h"

// Drawing into our own X11 windows through SDL. SDL takes the window as a
// foreign one and selects no input on it, so input keeps arriving as window
// messages (TWindowSystem); SDL's own events (render target and device resets,
// window events) go to the listeners below from the user-interface loop.

// SDL's view of `window`; video is started on first use. nullptr on failure
// (SDL_GetError says why). Release it with SDL_DestroyWindow before the X
// window goes.
SDL_Window* CreateSdlWindowFrom(TWindow window);

using TSdlEventListener = std::function<void(const SDL_Event& event)>;
// Returns a key for RemoveSdlEventListener.
int AddSdlEventListener(TSdlEventListener listener);
void RemoveSdlEventListener(int key);
