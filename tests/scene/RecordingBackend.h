#pragma once
#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "render/IDrawControl.h"
#include "render/IRenderBackend.h"

// A backend that draws nothing and keeps a record of every drawing call, so that
// tests can check where a frame put its squares.
class RecordingBackend : public IRenderBackend {
public:
    struct Texture : IBackendTexture {};

    struct Draw {
        std::vector<TD3DTLVertex> Vertices;
        const IBackendTexture* Texture = nullptr;
        TRenderStates States;
    };

    // Every call in order: "Clear", "Copy", "Draw", "Present".
    std::vector<std::string> Calls;
    std::vector<Draw> Draws;
    std::vector<TRect> Clears;
    std::vector<TRect> Copies;
    int Presents = 0;
    bool Lost = false;
    bool RestoreWorks = true;
    // Whether exclusive full screen gets the display mode it asks for.
    bool ModesSettable = true;
    // A clear that fails hard, as a broken driver might.
    bool ClearThrows = false;

    void Forget()
    {
        Calls.clear();
        Draws.clear();
        Clears.clear();
        Copies.clear();
        Presents = 0;
    }

    std::vector<TDisplayMode> DisplayModes(void*) override { return {}; }
    bool SetDisplayMode(void*, const TDisplayMode&) override { return ModesSettable; }
    TTargetResult CreateTarget(const TTargetRequest&) override { return {}; }
    void ReleaseTarget() override {}
    bool IsLost() override { return Lost; }
    bool Restore() override
    {
        if (RestoreWorks)
            Lost = false;
        return RestoreWorks;
    }
    std::vector<TTexturePixelFormat> TextureFormats() override
    {
        return {TTexturePixelFormat{32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 0, true, 1}};
    }
    TTextureCaps TextureCaps() override { return {}; }
    std::unique_ptr<IBackendTexture> CreateTexture(int, int, const TTexturePixelFormat&) override
    {
        return std::make_unique<Texture>();
    }
    bool UploadTexture(IBackendTexture&, const void*, int, const uint32_t*) override { return true; }
    bool Clear(const TRect& rect, uint32_t) override
    {
        if (ClearThrows)
            throw std::runtime_error("clear failed");
        Calls.push_back("Clear");
        Clears.push_back(rect);
        return true;
    }
    bool CopyPlainSurface(const TPlainPixels&, const TRect& sourceRect, int, int) override
    {
        Calls.push_back("Copy");
        Copies.push_back(sourceRect);
        return true;
    }
    void SetViewport(const TRect&) override {}
    bool DrawTriangleStrip(const TD3DTLVertex* vertices, size_t count, IBackendTexture* texture,
                           const TRenderStates& states) override
    {
        Calls.push_back("Draw");
        Draws.push_back({std::vector<TD3DTLVertex>(vertices, vertices + count), texture, states});
        return true;
    }
    bool Present(const TRect&, bool) override
    {
        Calls.push_back("Present");
        ++Presents;
        return true;
    }
};

// A window of a fixed size that is always there and active.
class FixedControl : public IDrawControl {
public:
    FixedControl(int width, int height) : Width(width), Height(height) {}
    int ClientWidth() const override { return Width; }
    int ClientHeight() const override { return Height; }
    bool HasParentForm() const override { return true; }
    bool IsFormActive() const override { return true; }
    void* NativeWindow() const override { return nullptr; }

    int Width;
    int Height;
};
