// Program entry: everything is decided by the command line in the host.
#include <cstdio>
#include <exception>
#include <optional>

#include "host/CommandLine.h"
#include "host/ConventionalOptions.h"
#include "host/PlatformParts.h"
#include "host/ScreenSaver.h"
#include "host/UPreview.h"
#if TESSALY_HAVE_DIALOG
#include "settings/dialog/RunSettingsDialog.h"
#endif

namespace {

constexpr int32_t HostTimerInterval = 40;

// All animation runs on the scene's own timers; the host's tick has nothing to do.
void IdleTimer(THostWindow, TSaverMode) {}

}

int main(int argc, char** argv)
{
    if (const std::optional<int> helped = RunPlatformHelper())
        return *helped;
    SetCommandLine({argv, argv + argc});
    switch (ConventionalOption(ParamStr(1))) {
    case TConventionalOption::Help:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case TConventionalOption::Version:
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    case TConventionalOption::None:
        break;
    }
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
        if (ChooseMode(ParamStr(1)) == smConfigure) {
#if TESSALY_HAVE_DIALOG
            ShowSettingsModeError(error.what());
#else
            ShowPlatformSettingsError(error.what());
#endif
        }
        return 1;
    }
    return 0;
}
