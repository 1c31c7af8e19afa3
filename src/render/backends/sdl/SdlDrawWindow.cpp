#include "render/backends/sdl/SdlDrawWindow.h"

#include <SDL.h>

#include "platform/x11/SdlWindow.h"
#include "platform/x11/WindowPlacement.h"
#include "render/backends/sdl/TSdlRenderBackend.h"

namespace {

class TSdlDrawWindow : public IDrawControl {
public:
    TSdlDrawWindow(TWindow window, SDL_Window* sdlWindow) : Window(window), SdlWindow(sdlWindow) {}
    ~TSdlDrawWindow() override { SDL_DestroyWindow(SdlWindow); }
    TSdlDrawWindow(const TSdlDrawWindow&) = delete;
    TSdlDrawWindow& operator=(const TSdlDrawWindow&) = delete;

    // SDL does not follow the size of a window it did not make, so ask the server.
    int ClientWidth() const override { return Size().Width; }
    int ClientHeight() const override { return Size().Height; }
    bool HasParentForm() const override { return true; }
    bool IsFormActive() const override
    {
        const Uint32 flags = SDL_GetWindowFlags(SdlWindow);
        return (flags & SDL_WINDOW_SHOWN) && !(flags & SDL_WINDOW_MINIMIZED);
    }
    void* NativeWindow() const override { return SdlWindow; }

private:
    TWindowRect Size() const
    {
        TWindowRect rect;
        if (!GetWindowRect(Window, rect))
            SDL_GetWindowSize(SdlWindow, &rect.Width, &rect.Height);
        return rect;
    }

    TWindow Window;
    SDL_Window* SdlWindow;
};

}

std::unique_ptr<IRenderBackend> MakeSdlRenderBackend() { return std::make_unique<TSdlRenderBackend>(); }

std::unique_ptr<IDrawControl> MakeSdlDrawControl(TWindow window)
{
    SDL_Window* sdlWindow = CreateSdlWindowFrom(window);
    if (!sdlWindow)
        return nullptr;
    return std::make_unique<TSdlDrawWindow>(window, sdlWindow);
}
