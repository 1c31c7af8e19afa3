#include "host/PlatformParts.h"

#include "platform/win32/dialog/TWin32BallPara.h"
#include "platform/win32/parts/Win32HostPlatform.h"
#include "platform/win32/parts/Win32SceneWindow.h"
#include "render/backends/gdi/TGdiRenderBackend.h"

std::unique_ptr<IHostPlatform> MakeHostPlatform() { return std::make_unique<TWin32HostPlatform>(); }

std::unique_ptr<ISceneWindow> MakeSceneWindow() { return std::make_unique<TWin32SceneWindow>(); }

std::unique_ptr<IRenderBackend> MakeRenderBackend() { return std::make_unique<TGdiRenderBackend>(); }

// The Windows build starts no helpers of itself.
std::optional<int> RunPlatformHelper() { return std::nullopt; }

void RunPlatformSettingsDialog() { RunWin32SettingsDialog(); }

// Started from the control panel, there is no console to read the error in.
void ShowPlatformSettingsError(const std::string& text) { ShowWin32SettingsError(text); }
