#pragma once
#include <memory>

#include "render/backends/gdi/GdiWindow.h"
#include "scene/ISceneWindow.h"

class TGdiDrawControl;

// The scene's window on Windows: a child of the host window, filling it, that
// the GDI backend presents into. Needs the host's windows (TWin32Windows).
class TWin32SceneWindow : public ISceneWindow {
public:
    TWin32SceneWindow();
    ~TWin32SceneWindow() override;
    TWin32SceneWindow(const TWin32SceneWindow&) = delete;
    TWin32SceneWindow& operator=(const TWin32SceneWindow&) = delete;

    void SetMessageHandler(TSceneMessageHandler handler) override;
    // Throws std::runtime_error when the window cannot be made.
    void SetParentWindow(TWindow parent) override;
    TWindow ParentWindow() const override { return Parent; }
    IDrawControl* DrawControl() override;
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
    TGdiWindow Presented;
    std::unique_ptr<TGdiDrawControl> Control;
    TSceneMessageHandler Handler;
    bool IsVisible = false;
    bool CursorHidden = false;
};
