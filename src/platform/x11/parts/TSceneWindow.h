#pragma once
#include <memory>

#include "scene/ISceneWindow.h"

// The scene's window on the desktop: a child of the host window, filling it, that
// SDL draws into. Needs the window system to be connected (TWindowSystem).
class TSceneWindow : public ISceneWindow {
public:
    TSceneWindow() = default;
    ~TSceneWindow() override;
    TSceneWindow(const TSceneWindow&) = delete;
    TSceneWindow& operator=(const TSceneWindow&) = delete;

    void SetMessageHandler(TSceneMessageHandler handler) override;
    // Throws std::runtime_error when the window cannot be made.
    void SetParentWindow(TWindow parent) override;
    TWindow ParentWindow() const override { return Parent; }
    IDrawControl* DrawControl() override { return Control.get(); }
    void Show(bool visible) override;
    bool Visible() const override { return IsVisible; }
    bool Exists() const override;
    void TakeFocus() override;
    void PostToParent(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void SetCursorVisible(bool visible) override;
    void SetSizeableBorder(bool sizeable) override;
    bool GetPlacement(TWindowPlacement& placement) const override;
    void SetPlacement(const TWindowPlacement& placement) override;

private:
    intptr_t WindowProc(TWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

    TWindow Handle = 0;
    TWindow Parent = 0;
    std::unique_ptr<IDrawControl> Control;
    TSceneMessageHandler Handler;
    bool IsVisible = false;
};
