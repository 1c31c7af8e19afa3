#include "host/ScreenSaver.h"

#include "host/CommandLine.h"
#include "host/HostWindow.h"

namespace {

// Nothing on this platform can be handed to the settings dialog as its owner,
// and the dialog never uses it.
constexpr THostWindow NoForegroundWindow = 0;

}

TSaverMode RunScreenSaver(const TSaverCallbacks& callbacks) { return RunScreenSaver(callbacks, RunHost); }

TSaverMode RunScreenSaver(const TSaverCallbacks& callbacks, THostRunner runHost)
{
    const TSaverMode mode = ChooseMode(ParamStr(1));
    switch (mode) {
    case smChangePassword:
        // The screen-saver password belongs to the Windows 9x family; elsewhere
        // a window in this mode would have no way to be closed.
        break;
    case smConfigure:
        if (callbacks.OnConfigure)
            callbacks.OnConfigure(NoForegroundWindow);
        break;
    case smPreview:
    case smSaver:
        runHost(callbacks, mode, ParamStr(2));
        break;
    }
    return mode;
}
