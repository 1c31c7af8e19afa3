#pragma once
#include <cstdint>

class TDXDraw;

// What a device tells the surfaces and textures that follow its life.
enum TDeviceEvent : uint8_t {
  deDestroying = 0,
  deInitializing = 1,
  deInitialize = 2,
  deInitializeSurface = 3,
  deFinalize = 4,
  deFinalizeSurface = 5,
  deRestore = 6,
  deSurfaceSize = 7,
};

// A subscriber to a device's notifications.
class IDXDrawNotifyReceiver {
 public:
  virtual ~IDXDrawNotifyReceiver() = default;
  virtual void DXDrawNotify(TDXDraw& sender, TDeviceEvent event) = 0;
};
