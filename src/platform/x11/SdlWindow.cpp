#include "platform/x11/SdlWindow.h"

#include <SDL_syswm.h>

#include <X11/Xlib.h>

#include <map>

#include "platform/EventLoop.h"
#include "platform/TickCount.h"

namespace {

// SDL keeps duties of its own in its pump that no event announces (it keeps
// the X server's screen saver away every 30 s, and reads the screen again
// after a change of display mode): it is pumped at least this often.
constexpr uint64_t SdlDutyMs = 1000;

// SDL's queue as an event source of the user-interface loop. Most of its
// events are produced on this thread while drawing, and found in its queue
// before the loop sleeps; its own X connection is watched as well.
class TSdlEventSource : public IEventSource {
public:
    int WaitHandle() const override { return Handle; }

    bool HasQueued() const override
    {
        return SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) ||
               (Connection && XEventsQueued(Connection, QueuedAlready) > 0) || MonotonicMs() - LastPump >= SdlDutyMs;
    }

    void PumpEvents() override
    {
        LastPump = MonotonicMs();
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) {
                UiLoop().RequestTerminate();
                continue;
            }
            for (const auto& [key, listener] : std::map<int, TSdlEventListener>(Listeners))
                listener(event);
        }
    }

    int Handle = -1;
    Display* Connection = nullptr;
    uint64_t LastPump = 0;
    std::map<int, TSdlEventListener> Listeners;
    int NextKey = 1;
};

TSdlEventSource& SdlEvents()
{
    static TSdlEventSource source;
    return source;
}

bool StartVideo()
{
    UiLoop().AddEventSource(&SdlEvents());
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return true;
    // Signals end the program through the loop (TerminationSignals), not
    // through SDL's quit event.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // SDL's OpenGL renderer needs it; a backend that draws without OpenGL
    // says so first, and no OpenGL driver is then loaded for the window.
    SDL_SetHintWithPriority(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1", SDL_HINT_DEFAULT);
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

}

SDL_Window* CreateSdlWindowFrom(TWindow window)
{
    if (!StartVideo())
        return nullptr;
    SDL_Window* sdlWindow = SDL_CreateWindowFrom(reinterpret_cast<const void*>(window));
    if (!sdlWindow)
        return nullptr;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(sdlWindow, &info) && info.subsystem == SDL_SYSWM_X11) {
        SdlEvents().Handle = ConnectionNumber(info.info.x11.display);
        SdlEvents().Connection = info.info.x11.display;
        // Keys and buttons must travel on to the parent window, and pointer
        // motion reaches us on our own connection. SDL still hears of size
        // changes, so that what it draws into follows the window.
        XSelectInput(info.info.x11.display, info.info.x11.window, StructureNotifyMask);
        XFlush(info.info.x11.display);
    }
    return sdlWindow;
}

int AddSdlEventListener(TSdlEventListener listener)
{
    TSdlEventSource& source = SdlEvents();
    const int key = source.NextKey++;
    source.Listeners[key] = std::move(listener);
    return key;
}

void RemoveSdlEventListener(int key) { SdlEvents().Listeners.erase(key); }
