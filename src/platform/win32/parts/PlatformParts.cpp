#include "host/PlatformParts.h"

#include "platform/win32/Wide.h"
#include "platform/win32/parts/Win32HostPlatform.h"
#include "platform/win32/parts/Win32SceneWindow.h"
#include "render/backends/gdi/TGdiRenderBackend.h"

#include "platform/win32/Windows.h"

std::unique_ptr<IHostPlatform> MakeHostPlatform() { return std::make_unique<TWin32HostPlatform>(); }

std::unique_ptr<ISceneWindow> MakeSceneWindow() { return std::make_unique<TWin32SceneWindow>(); }

std::unique_ptr<IRenderBackend> MakeRenderBackend() { return std::make_unique<TGdiRenderBackend>(); }

// The Windows build starts no helpers of itself.
std::optional<int> RunPlatformHelper() { return std::nullopt; }

void ShowNoSettingsWindow()
{
    // The settings window of the Windows build is still to come; until then
    // the control panel's Settings button says so instead of doing nothing.
    MessageBoxW(nullptr, Utf8ToWide("此版本尚不包含设置窗口。\nThe settings window is not in this build of Tessaly.").c_str(),
                L"Tessaly", MB_OK | MB_ICONINFORMATION);
}
