#include "host/PlatformParts.h"

#include <stdexcept>

#include "platform/x11/parts/LinuxHostPlatform.h"
#include "platform/x11/parts/TSceneWindow.h"
#include "render/IDrawControl.h"
#include "render/backends/ChooseBackend.h"

std::unique_ptr<IHostPlatform> MakeHostPlatform() { return std::make_unique<TLinuxHostPlatform>(); }

std::unique_ptr<ISceneWindow> MakeSceneWindow() { return std::make_unique<TSceneWindow>(); }

std::unique_ptr<IRenderBackend> MakeRenderBackend() { return ChooseRenderBackend(); }

std::optional<int> RunPlatformHelper()
{
    if (OpenGLProbeAsked())
        return AnswerOpenGLProbe();
    return std::nullopt;
}

void RunPlatformSettingsDialog() { throw std::runtime_error("this build has no settings dialog"); }

// The line on standard error is all there is.
void ShowPlatformSettingsError(const std::string&) {}
