#include "render/backends/sdl/TSdlWindowControl.h"

int TSdlWindowControl::ClientWidth() const {
  int width = 0;
  if (window_) SDL_GetWindowSize(window_, &width, nullptr);
  return width;
}

int TSdlWindowControl::ClientHeight() const {
  int height = 0;
  if (window_) SDL_GetWindowSize(window_, nullptr, &height);
  return height;
}

bool TSdlWindowControl::IsFormActive() const {
  if (!window_) return false;
  const Uint32 flags = SDL_GetWindowFlags(window_);
  return (flags & SDL_WINDOW_SHOWN) && !(flags & SDL_WINDOW_MINIMIZED);
}
