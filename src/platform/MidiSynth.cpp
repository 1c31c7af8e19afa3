#include "platform/MidiSynth.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/FluidSynthEngine.h"
#include "platform/Verbose.h"

namespace {

constexpr int SampleRate = 44100;
// About 46 ms a buffer. Each wake-up of the audio thread finds the
// synthesizer's voices and reverb gone from the cache, since the frames drawn
// in between sweep megabytes: half as many wake-ups cut the chime's cost by a
// fifth. A note then sounds within about a tenth of a second of the
// collision that struck it, still close enough to belong to it.
constexpr Uint16 BufferFrames = 2048;
// Controller and program changes that arrive before the synthesizer is ready
// are kept up to this many; a flood beyond it is dropped.
constexpr size_t MaxPendingMessages = 64;

bool IsNote(const TMidiShortMsg& msg) { return msg.Kind == MidiNoteOn || msg.Kind == MidiNoteOff; }

}

struct TMidiSynth::TImpl {
    SDL_AudioDeviceID Device = 0;
    std::thread Loader;

    std::mutex Lock;
    std::condition_variable Loaded;
    bool LoadFinished = false;
    bool Stopping = false;
    std::vector<TMidiShortMsg> Pending;
    std::unique_ptr<TFluidSynthEngine> Engine;
    // What the audio callback renders from; null until the engine is ready.
    std::atomic<TFluidSynthEngine*> Ready{nullptr};

    static void SDLCALL Fill(void* userdata, Uint8* stream, int len)
    {
        auto* self = static_cast<TImpl*>(userdata);
        auto* samples = reinterpret_cast<float*>(stream);
        const int frames = len / static_cast<int>(2 * sizeof(float));
        if (TFluidSynthEngine* engine = self->Ready.load(std::memory_order_acquire))
            engine->Render(samples, frames);
        else
            std::fill(samples, samples + 2 * frames, 0.0f);
    }

    void Load(const std::string& soundFontPath)
    {
        std::unique_ptr<TFluidSynthEngine> engine;
        try {
            engine = std::make_unique<TFluidSynthEngine>(soundFontPath, SampleRate);
        } catch (const std::exception& error) {
            // A damaged soundfont leaves the device open but silent.
            if (VerboseOutput())
                std::fprintf(stderr, "tessaly chime: silent (soundfont %s: %s)\n", soundFontPath.c_str(), error.what());
        } catch (...) {
            if (VerboseOutput())
                std::fprintf(stderr, "tessaly chime: silent (soundfont %s cannot be loaded)\n", soundFontPath.c_str());
        }
        std::lock_guard lock(Lock);
        LoadFinished = true;
        if (engine && !Stopping) {
            for (const auto& msg : Pending)
                engine->Send(msg);
            Engine = std::move(engine);
            Ready.store(Engine.get(), std::memory_order_release);
        }
        Pending.clear();
        Loaded.notify_all();
    }
};

TMidiSynth::TMidiSynth(const std::string& soundFontPath)
    : Impl(std::make_unique<TImpl>())
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        throw std::runtime_error(std::string("No audio output: ") + SDL_GetError());
    SDL_AudioSpec wanted{};
    wanted.freq = SampleRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = BufferFrames;
    wanted.callback = &TImpl::Fill;
    wanted.userdata = Impl.get();
    SDL_AudioSpec obtained{};
    Impl->Device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (Impl->Device == 0) {
        const std::string reason = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        throw std::runtime_error("No audio output: " + reason);
    }
    try {
        Impl->Loader = std::thread([impl = Impl.get(), soundFontPath] { impl->Load(soundFontPath); });
    } catch (...) {
        SDL_CloseAudioDevice(Impl->Device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        throw;
    }
    SDL_PauseAudioDevice(Impl->Device, 0);
}

TMidiSynth::~TMidiSynth()
{
    {
        std::lock_guard lock(Impl->Lock);
        Impl->Stopping = true;
    }
    // Closing waits for a running callback, so nothing renders from here on.
    SDL_CloseAudioDevice(Impl->Device);
    // A soundfont still loading cannot be interrupted; its load is bounded,
    // and what it made is thrown away.
    Impl->Loader.join();
    Impl->Ready.store(nullptr);
    Impl->Engine.reset();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void TMidiSynth::Send(const TMidiShortMsg& msg)
{
    std::lock_guard lock(Impl->Lock);
    if (Impl->Engine) {
        Impl->Engine->Send(msg);
        return;
    }
    // A note played late would no longer belong to its collision.
    if (!Impl->LoadFinished && !IsNote(msg) && Impl->Pending.size() < MaxPendingMessages)
        Impl->Pending.push_back(msg);
}

bool TMidiSynth::WaitUntilReady(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(Impl->Lock);
    Impl->Loaded.wait_for(lock, timeout, [this] { return Impl->LoadFinished; });
    return Impl->Engine != nullptr;
}
