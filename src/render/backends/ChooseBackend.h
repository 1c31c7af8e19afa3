#pragma once
#include <memory>
#include <string>

#include "render/IRenderBackend.h"

// Picks the device's backend for this machine: SDL's OpenGL renderer when it
// runs on graphics hardware, the CPU compositor when the only OpenGL is a
// software rasteriser or there is none. Naming an SDL renderer in
// SDL_RENDER_DRIVER keeps the SDL backend. When the display leaves room for
// OpenGL on graphics hardware, which OpenGL there is, is asked of a
// short-lived copy of the program, so that the saver itself loads no OpenGL
// driver it will not draw with. With TESSALY_VERBOSE=1 it says on standard
// error which backend runs.
std::unique_ptr<IRenderBackend> ChooseRenderBackend();

// Whether this process is that copy; it then only runs AnswerOpenGLProbe,
// which prints the OpenGL renderer string (an empty line for none) and gives
// the exit status.
bool OpenGLProbeAsked();
int AnswerOpenGLProbe();

// What the display and the environment tell of OpenGL without loading a
// driver. Mesa reaches graphics hardware through DRI3 or DRI2 only, or, on
// WSL, through its GPU device; without those it draws on the processor.
// NVIDIA's own OpenGL announces itself with NV-GLX.
struct TOpenGLSigns {
  bool DisplayRead = false;
  bool Glx = false;
  bool DirectRendering = false;
  bool VendorGlx = false;
  // GALLIUM_DRIVER and its kin pick a driver whatever the display offers.
  bool DriverNamed = false;
  bool WindowsGpu = false;
};

// False when the signs leave no room for OpenGL on graphics hardware; when in
// doubt, true.
bool HardwareOpenGLPossible(const TOpenGLSigns& signs);

// Whether an OpenGL renderer string names a rasteriser that runs on the CPU.
bool IsSoftwareOpenGL(const std::string& renderer);
