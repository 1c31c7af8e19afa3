#pragma once
#include <cstdint>

// The device's option word: one bit per flag, in a fixed order that is part
// of the stored form.
enum TDXDrawOption : uint16_t {
  doFullScreen = 0x0001,
  doNoWindowChange = 0x0002,
  doAllowReboot = 0x0004,
  doWaitVBlank = 0x0008,
  doAllowPalette256 = 0x0010,
  doSystemMemory = 0x0020,
  doStretch = 0x0040,
  doCenter = 0x0080,
  doFlip = 0x0100,
  do3D = 0x0200,
  doDirectX7Mode = 0x0400,
  doRetainedMode = 0x0800,
  doHardware = 0x1000,
  doSelectDriver = 0x2000,
  doZBuffer = 0x4000,
};

using TDXDrawOptions = uint16_t;

// A device as it comes out of construction.
constexpr TDXDrawOptions DefaultDeviceOptions = 0x368C;
// The scene's device: doAllowReboot, doCenter, do3D, doDirectX7Mode,
// doRetainedMode, doHardware, doZBuffer.
constexpr TDXDrawOptions SceneDeviceOptions = 0x5E84;

// Options that only take effect through a new initialisation.
constexpr TDXDrawOptions ReinitializeOptions =
    doFullScreen | doNoWindowChange | doAllowReboot | doAllowPalette256 | doSystemMemory | doFlip |
    do3D | doDirectX7Mode | doRetainedMode | doHardware | doSelectDriver | doZBuffer;

// What a device that is not initialised runs with when asked for `requested`.
TDXDrawOptions ReduceOptions(TDXDrawOptions requested);

// What an initialised device runs with when `requested` is assigned while it
// already runs with `effective`: only the flags that need no new
// initialisation change.
TDXDrawOptions ReduceOptionsWhileInitialized(TDXDrawOptions requested, TDXDrawOptions effective);
