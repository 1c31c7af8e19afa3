#pragma once
#include <memory>

#include "platform/Messages.h"
#include "render/IDrawControl.h"
#include "render/IRenderBackend.h"

// The device's SDL side for code that must not see SDL's headers.

// The SDL renderer backend with its automatic choice of renderer (SDL's
// SDL_RENDER_DRIVER hint still picks one by name).
std::unique_ptr<IRenderBackend> MakeSdlRenderBackend();

// A device control over one of our X windows: SDL draws into it, its size is the
// window's own as the X server has it. Releasing the control lets SDL go of the
// window, which must happen before the window itself goes. nullptr when SDL
// cannot take the window.
std::unique_ptr<IDrawControl> MakeSdlDrawControl(TWindow window);
