// Program entry: everything is decided by the command line in the host.
#include <cstdio>
#include <exception>

#include "host/CommandLine.h"
#include "host/ScreenSaver.h"
#include "host/UPreview.h"
#include "render/backends/ChooseBackend.h"

namespace {

constexpr int32_t HostTimerInterval = 40;

// All animation runs on the scene's own timers; the host's tick has nothing to do.
void IdleTimer(THostWindow, TSaverMode) {}

}

int main(int argc, char** argv)
{
    if (OpenGLProbeAsked())
        return AnswerOpenGLProbe();
    SetCommandLine({argv, argv + argc});
    TSaverCallbacks callbacks;
    callbacks.OnCreate = CreateScene;
    callbacks.OnTimer = IdleTimer;
    callbacks.OnDestroy = DestroyScene;
    callbacks.OnConfigure = ShowSettings;
    callbacks.TimerInterval = HostTimerInterval;
    try {
        RunScreenSaver(callbacks);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tessaly: %s\n", error.what());
        return 1;
    }
    return 0;
}
