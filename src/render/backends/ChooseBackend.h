#pragma once
#include <memory>
#include <string>

#include "render/IRenderBackend.h"

// Picks the device's backend for this machine: SDL's OpenGL renderer when it
// runs on graphics hardware, the CPU compositor when the only OpenGL is a
// software rasteriser or there is none. Naming an SDL renderer in
// SDL_RENDER_DRIVER keeps the SDL backend. Says on standard error which one
// runs.
std::unique_ptr<IRenderBackend> ChooseRenderBackend();

// Whether an OpenGL renderer string names a rasteriser that runs on the CPU.
bool IsSoftwareOpenGL(const std::string& renderer);
