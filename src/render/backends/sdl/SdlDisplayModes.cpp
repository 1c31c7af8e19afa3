#include "render/backends/sdl/SdlDisplayModes.h"

#include <algorithm>

namespace {

int DisplayOf(SDL_Window* window) { return std::max(window ? SDL_GetWindowDisplayIndex(window) : 0, 0); }

TDisplayMode ToDisplayMode(const SDL_DisplayMode& mode)
{
    return TDisplayMode{mode.w, mode.h, static_cast<int>(SDL_BITSPERPIXEL(mode.format))};
}

}

std::vector<TDisplayMode> ListSdlDisplayModes(SDL_Window* window)
{
    std::vector<TDisplayMode> modes;
    const int display = DisplayOf(window);
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) == 0)
            modes.push_back(ToDisplayMode(mode));
    }
    return modes;
}

bool SwitchSdlDisplayMode(SDL_Window* window, const TDisplayMode& wanted)
{
    if (!window)
        return false;
    const int display = DisplayOf(window);
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) != 0)
            continue;
        const TDisplayMode found = ToDisplayMode(mode);
        if (found.Width != wanted.Width || found.Height != wanted.Height || found.BitCount != wanted.BitCount)
            continue;
        return SDL_SetWindowDisplayMode(window, &mode) == 0 && SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
    }
    return false;
}
