#pragma once
#include <vector>

#include "scene/ISceneWindow.h"
#include "scene/RecordingBackend.h"

// A scene window without a window system: it remembers what the scene asked of it
// and lets a test deliver messages as the window system would.
class FakeSceneWindow : public ISceneWindow {
public:
    struct Posted {
        uint32_t Message;
        uintptr_t WParam;
        intptr_t LParam;
    };

    void SetMessageHandler(TSceneMessageHandler handler) override { Handler = std::move(handler); }
    void SetParentWindow(TWindow parent) override { Parent = parent; }
    TWindow ParentWindow() const override { return Parent; }
    IDrawControl* DrawControl() override { return Parent ? &Control : nullptr; }
    void Show(bool visible) override { IsVisible = visible; }
    bool Visible() const override { return IsVisible; }
    bool Exists() const override { return Parent != 0; }
    void TakeFocus() override { HasFocus = true; }
    void PostToParent(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        ToParent.push_back({message, wParam, lParam});
    }
    void SetCursorVisible(bool visible) override { CursorVisible = visible; }
    void SetSizeableBorder(bool sizeable) override { SizeableBorder = sizeable; }
    bool GetPlacement(TWindowPlacement& placement) const override
    {
        placement = Placement;
        return true;
    }
    void SetPlacement(const TWindowPlacement& placement) override { Placement = placement; }

    // Delivers a message; whether the scene kept it.
    bool Deliver(uint32_t message, uintptr_t wParam, intptr_t lParam)
    {
        return Handler && Handler(message, wParam, lParam);
    }

    TSceneMessageHandler Handler;
    TWindow Parent = 0;
    FixedControl Control{640, 400};
    bool IsVisible = false;
    bool HasFocus = false;
    bool CursorVisible = true;
    bool SizeableBorder = false;
    TWindowPlacement Placement{0, 0, 640, 400};
    std::vector<Posted> ToParent;
};
