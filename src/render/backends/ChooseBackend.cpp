#include "render/backends/ChooseBackend.h"

#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "platform/Verbose.h"
#include "render/backends/cpu/TCpuRenderBackend.h"
#include "render/backends/sdl/TSdlRenderBackend.h"

// Last: its macros (None, Status, ...) would rewrite the headers above.
#include <X11/Xlib.h>

extern char** environ;

namespace {

constexpr unsigned GlRenderer = 0x1F01;
constexpr std::array SoftwareRasterisers = {"llvmpipe", "softpipe", "swrast", "software rasterizer", "swiftshader"};
// Set in the environment of the copy of ourselves that answers the question.
constexpr char ProbeVariable[] = "TESSALY_OPENGL_PROBE";
// A driver that takes longer than this to make a context is no driver to
// draw with.
constexpr int ProbeTimeoutMs = 5000;
constexpr size_t MaxAnswer = 1024;
// Starts the answer, so that nothing else a program might print is taken for one.
constexpr char AnswerPrefix[] = "OpenGL renderer: ";

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
std::string OpenGLRendererHere() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return AskOpenGL();
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return {};
  std::string name = AskOpenGL();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return name;
}

struct TProbeAnswer {
  // False when no copy could be started at all.
  bool Asked = false;
  std::string Renderer;
};

// Asks a short-lived copy of this program, so that a machine whose only
// OpenGL is a software rasteriser never has that driver (tens of megabytes)
// mapped into the saver that then draws without it. A copy that crashes,
// hangs or answers nonsense has shown there is no OpenGL to draw with.
TProbeAnswer OpenGLRendererElsewhere() {
  TProbeAnswer answer;
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return answer;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  // Whatever the driver says on the way is not the saver's to print.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> variables;
  for (char** entry = environ; entry && *entry; ++entry) {
    if (std::strncmp(*entry, ProbeVariable, sizeof ProbeVariable - 1) != 0) variables.emplace_back(*entry);
  }
  variables.emplace_back(std::string(ProbeVariable) + "=1");
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  char name[] = "tessaly";
  char* argv[] = {name, nullptr};
  pid_t child = -1;
  const bool started = posix_spawn(&child, "/proc/self/exe", &actions, nullptr, argv, envp.data()) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (!started) {
    close(pipeEnds[0]);
    return answer;
  }
  answer.Asked = true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ProbeTimeoutMs);
  std::string text;
  bool ended = false;
  while (!ended) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd wait{pipeEnds[0], POLLIN, 0};
    const int ready = left > 0 ? poll(&wait, 1, static_cast<int>(left)) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    char buffer[256];
    const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) ended = true;
    else if (text.size() < MaxAnswer) text.append(buffer, static_cast<size_t>(got));
  }
  close(pipeEnds[0]);
  if (!ended) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return answer;
  if (text.rfind(AnswerPrefix, 0) != 0) return answer;
  answer.Renderer = text.substr(sizeof AnswerPrefix - 1, text.find('\n') - (sizeof AnswerPrefix - 1));
  return answer;
}

std::string OpenGLRenderer() {
  TProbeAnswer answer = OpenGLRendererElsewhere();
  return answer.Asked ? answer.Renderer : OpenGLRendererHere();
}

TOpenGLSigns ReadOpenGLSigns() {
  TOpenGLSigns signs;
  // Each of these picks a driver or a vendor library of its own.
  for (const char* name : {"GALLIUM_DRIVER", "MESA_LOADER_DRIVER_OVERRIDE", "__GLX_VENDOR_LIBRARY_NAME",
                           "LIBGL_ALWAYS_INDIRECT"}) {
    const char* value = std::getenv(name);
    if (value && *value) signs.DriverNamed = true;
  }
  signs.WindowsGpu = access("/dev/dxg", F_OK) == 0;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return signs;
  int count = 0;
  if (char** names = XListExtensions(display, &count)) {
    signs.DisplayRead = true;
    const auto has = [&](const char* wanted) {
      return std::any_of(names, names + count, [&](const char* name) { return std::strcmp(name, wanted) == 0; });
    };
    signs.Glx = has("GLX");
    signs.DirectRendering = has("DRI3") || has("DRI2");
    signs.VendorGlx = has("NV-GLX");
    XFreeExtensionList(names);
  }
  XCloseDisplay(display);
  return signs;
}

}  // namespace

bool HardwareOpenGLPossible(const TOpenGLSigns& signs) {
  return !signs.DisplayRead || signs.DirectRendering || signs.VendorGlx || signs.DriverNamed || signs.WindowsGpu;
}

bool OpenGLProbeAsked() {
  const char* value = std::getenv(ProbeVariable);
  return value && *value;
}

int AnswerOpenGLProbe() {
  std::cout << AnswerPrefix << OpenGLRendererHere() << '\n' << std::flush;
  return std::cout ? 0 : 1;
}

bool IsSoftwareOpenGL(const std::string& renderer) {
  std::string lower = renderer;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* name : SoftwareRasterisers) {
    if (lower.find(name) != std::string::npos) return true;
  }
  return false;
}

std::unique_ptr<IRenderBackend> ChooseRenderBackend() {
  // Not "tessaly: ", which starts the program's error messages.
  const bool verbose = VerboseOutput();
  const char* named = std::getenv("SDL_RENDER_DRIVER");
  if (named && *named) {
    if (verbose) std::cerr << "tessaly renderer: SDL's renderer \"" << named << "\" (SDL_RENDER_DRIVER)\n";
    return std::make_unique<TSdlRenderBackend>();
  }
  // Asking costs a copy of the program loading an OpenGL driver, most of the
  // start-up time on a machine that has only a software one; the display
  // often shows without it that this is all there can be.
  const TOpenGLSigns signs = ReadOpenGLSigns();
  std::string renderer;
  if (HardwareOpenGLPossible(signs)) {
    renderer = OpenGLRenderer();
    if (!renderer.empty() && !IsSoftwareOpenGL(renderer)) {
      if (verbose) std::cerr << "tessaly renderer: SDL's OpenGL renderer on " << renderer << "\n";
      return std::make_unique<TSdlRenderBackend>();
    }
  } else if (signs.Glx) {
    renderer = "a rasteriser on the processor, as the display offers no direct rendering";
  }
  auto backend = std::make_unique<TCpuRenderBackend>();
  // The window it draws into then needs no OpenGL either.
  SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "0");
  if (verbose) {
    std::cerr << "tessaly renderer: " << backend->Description() << " compositor; OpenGL: "
              << (renderer.empty() ? std::string("none") : renderer) << "\n";
  }
  return backend;
}
