#pragma once
#include <SDL.h>

#include "render/IDrawControl.h"

// A device control over a bare SDL window that is its own form.
class TSdlWindowControl : public IDrawControl {
 public:
  explicit TSdlWindowControl(SDL_Window* window) : window_(window) {}

  int ClientWidth() const override;
  int ClientHeight() const override;
  bool HasParentForm() const override { return window_ != nullptr; }
  bool IsFormActive() const override;
  void* NativeWindow() const override { return window_; }

 private:
  SDL_Window* window_;
};
