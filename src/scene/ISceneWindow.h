#pragma once
#include <cstdint>
#include <functional>

#include "platform/Messages.h"

class IDrawControl;

// Where a window stands inside its parent; what StoreWindow keeps.
struct TWindowPlacement {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const TWindowPlacement&) const = default;
};

// The messages the scene takes from its window: key presses, pointer motion in
// client coordinates, and the window going away. Answers whether it handled the
// message; unhandled key presses go on to the parent.
using TSceneMessageHandler = std::function<bool(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

// The window-system side of the scene window: a borderless, black child window
// that fills its parent's client area, and the window the device draws into.
class ISceneWindow {
public:
    virtual ~ISceneWindow() = default;

    virtual void SetMessageHandler(TSceneMessageHandler handler) = 0;
    // Makes the window a child of `parent`, filling its client area, hidden.
    virtual void SetParentWindow(TWindow parent) = 0;
    virtual TWindow ParentWindow() const = 0;
    // What the device draws into; none before the window has a parent.
    virtual IDrawControl* DrawControl() = 0;
    virtual void Show(bool visible) = 0;
    virtual bool Visible() const = 0;
    // Whether the window system still has the window; a window destroyed from
    // outside (its host program closed the preview) may not have been noticed
    // by the message loop yet.
    virtual bool Exists() const = 0;
    // Takes the keyboard, so that the scene sees key presses before its parent.
    virtual void TakeFocus() = 0;
    virtual void PostToParent(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    virtual void SetCursorVisible(bool visible) = 0;
    virtual void SetSizeableBorder(bool sizeable) = 0;
    // False when the window has no placement to give.
    virtual bool GetPlacement(TWindowPlacement& placement) const = 0;
    virtual void SetPlacement(const TWindowPlacement& placement) = 0;
};
