#include "host/ConventionalOptions.h"

#ifndef TESSALY_VERSION
#error "the build defines TESSALY_VERSION"
#endif

namespace {

constexpr char Usage[] =
    "Usage: tessaly [/c | /s | /p WINDOW-ID | --root]\n"
    "A bubble screen saver for X11 with a wind chime.\n"
    "\n"
    "Only the first argument picks the mode: a letter alone or after -, / or \\.\n"
    "  tessaly, tessaly /c   open the settings dialog\n"
    "  tessaly /s            run the saver full screen until a key, a button or a\n"
    "                        mouse movement; inside the window named by\n"
    "                        XSCREENSAVER_WINDOW when XScreenSaver runs it\n"
    "  tessaly /p WINDOW-ID  draw a live preview inside that X11 window\n"
    "  tessaly --root        as /s (XScreenSaver starts it this way)\n"
    "  tessaly --help, -h    show this text\n"
    "  tessaly --version     show the version\n"
    "\n"
    "Files:\n"
    "  $XDG_CONFIG_HOME/tessaly/registry.reg  the settings (~/.config/...),\n"
    "                                         written by the settings dialog\n"
    "  $XDG_STATE_HOME/tessaly/error.txt      why a slideshow picture could not\n"
    "                                         be read (~/.local/state/...)\n"
    "\n"
    "Environment:\n"
    "  SDL_RENDER_DRIVER=NAME  draw with that SDL renderer (opengl, software, ...)\n"
    "                          instead of the one picked for this machine\n"
    "  TESSALY_VERBOSE=1       say on standard error which renderer draws and why\n"
    "                          the chime is silent; otherwise a normal run prints\n"
    "                          nothing\n";

}

TConventionalOption ConventionalOption(std::string_view firstArgument)
{
    if (firstArgument == "--help" || firstArgument == "-h")
        return TConventionalOption::Help;
    if (firstArgument == "--version")
        return TConventionalOption::Version;
    return TConventionalOption::None;
}

std::string UsageText() { return Usage; }

std::string VersionText() { return std::string("tessaly ") + TESSALY_VERSION + "\n"; }
