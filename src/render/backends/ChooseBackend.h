#pragma once
#include <memory>
#include <string>

#include "render/IRenderBackend.h"

// Picks the device's backend for this machine: SDL's OpenGL renderer when it
// runs on graphics hardware, the CPU compositor when the only OpenGL is a
// software rasteriser or there is none. Naming an SDL renderer in
// SDL_RENDER_DRIVER keeps the SDL backend. Which OpenGL there is, is asked of
// a short-lived copy of the program, so that the saver itself loads no
// OpenGL driver it will not draw with. With TESSALY_VERBOSE=1 it says on
// standard error which backend runs.
std::unique_ptr<IRenderBackend> ChooseRenderBackend();

// Whether this process is that copy; it then only runs AnswerOpenGLProbe,
// which prints the OpenGL renderer string (an empty line for none) and gives
// the exit status.
bool OpenGLProbeAsked();
int AnswerOpenGLProbe();

// Whether an OpenGL renderer string names a rasteriser that runs on the CPU.
bool IsSoftwareOpenGL(const std::string& renderer);
