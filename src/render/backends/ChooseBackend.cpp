#include "render/backends/ChooseBackend.h"

#include <SDL.h>

#include <array>
#include <cstdlib>
#include <iostream>

#include "render/backends/cpu/TCpuRenderBackend.h"
#include "render/backends/sdl/TSdlRenderBackend.h"

namespace {

constexpr unsigned GlRenderer = 0x1F01;
constexpr std::array SoftwareRasterisers = {"llvmpipe", "softpipe", "swrast", "software rasterizer", "swiftshader"};

// The OpenGL renderer string SDL's OpenGL renderer would get, empty when
// there is no OpenGL at all. Asked of a hidden window of our own.
std::string AskOpenGL() {
  SDL_Window* window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return {};
  std::string name;
  if (SDL_GLContext context = SDL_GL_CreateContext(window)) {
    using TGetString = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<TGetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* text = getString ? getString(GlRenderer) : nullptr;
    if (text) name = reinterpret_cast<const char*>(text);
    SDL_GL_DeleteContext(context);
  }
  SDL_DestroyWindow(window);
  return name;
}

// Video may not be up yet when the scene is made; it is then started for the
// question only and left as it was found. Signals stay with the program.
std::string OpenGLRenderer() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return AskOpenGL();
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return {};
  std::string name = AskOpenGL();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return name;
}

}  // namespace

bool IsSoftwareOpenGL(const std::string& renderer) {
  std::string lower = renderer;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* name : SoftwareRasterisers) {
    if (lower.find(name) != std::string::npos) return true;
  }
  return false;
}

std::unique_ptr<IRenderBackend> ChooseRenderBackend() {
  const char* named = std::getenv("SDL_RENDER_DRIVER");
  if (named && *named) {
    std::cerr << "tessaly renderer: SDL's renderer \"" << named << "\" (SDL_RENDER_DRIVER)\n";
    return std::make_unique<TSdlRenderBackend>();
  }
  const std::string renderer = OpenGLRenderer();
  if (!renderer.empty() && !IsSoftwareOpenGL(renderer)) {
    std::cerr << "tessaly renderer: SDL's OpenGL renderer on " << renderer << "\n";
    return std::make_unique<TSdlRenderBackend>();
  }
  auto backend = std::make_unique<TCpuRenderBackend>();
  // Not "tessaly: ", which starts the program's error messages.
  std::cerr << "tessaly renderer: " << backend->Description() << " compositor; OpenGL: "
            << (renderer.empty() ? std::string("none") : renderer) << "\n";
  return backend;
}
