#pragma once

// The window a device draws into, as the device needs to see it: its client
// size, whether it sits on a form (a top-level window that owns it), whether
// that form is the active one, and the native window the backend renders to.
// The scene hands over its own window; tests hand over an offscreen one.
class IDrawControl {
 public:
  virtual ~IDrawControl() = default;

  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual bool HasParentForm() const = 0;
  virtual bool IsFormActive() const = 0;
  // Opaque to the device; each backend documents what it expects here.
  virtual void* NativeWindow() const = 0;
};
