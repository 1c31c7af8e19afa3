#pragma once
#include <memory>
#include <optional>
#include <string>

#include "host/HostPlatform.h"
#include "render/IRenderBackend.h"
#include "scene/ISceneWindow.h"

// The pieces of the saver that each window system provides, all made in one
// place per platform (platform/<system>/parts/PlatformParts.cpp), so that the
// host, the scene and the pictures are the same code everywhere.

// The window system and message loop the host's rules run on. Fails with the
// window system's message when it cannot be reached.
std::unique_ptr<IHostPlatform> MakeHostPlatform();
// The scene's window, a child of the host window that the device draws into.
std::unique_ptr<ISceneWindow> MakeSceneWindow();
// The device's backend best suited to this machine.
std::unique_ptr<IRenderBackend> MakeRenderBackend();
// When this process was started as a helper of another run of the program
// (on Linux: the OpenGL probe of the renderer choice), does that job and
// gives the exit status; nothing for an ordinary start.
std::optional<int> RunPlatformHelper();
// The settings mode in a build without the Qt dialog: the window system's own
// settings dialog until it closes, or a failure saying the build has none.
void RunPlatformSettingsDialog();
// An error that ends the settings mode of such a build, shown to the user;
// nothing where there is no window system's own dialog.
void ShowPlatformSettingsError(const std::string& text);
