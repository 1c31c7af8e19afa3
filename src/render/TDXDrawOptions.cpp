#include "render/TDXDrawOptions.h"

namespace {

constexpr TDXDrawOptions FullScreenOnly = doNoWindowChange | doAllowReboot | doAllowPalette256 | doFlip;
constexpr TDXDrawOptions With3DOnly = doDirectX7Mode | doRetainedMode | doHardware | doSelectDriver | doZBuffer;
constexpr TDXDrawOptions ObtainedOnly = doRetainedMode | doHardware | doSelectDriver | doZBuffer;

TDXDrawOptions Without(TDXDrawOptions options, TDXDrawOptions removed) {
  return static_cast<TDXDrawOptions>(options & ~removed);
}

}  // namespace

TDXDrawOptions ReduceOptions(TDXDrawOptions requested) {
  TDXDrawOptions effective = requested;
  if (!(effective & doFullScreen)) effective = Without(effective, FullScreenOnly);
  if (!(effective & do3D)) effective = Without(effective, With3DOnly);
  if (effective & doSystemMemory) effective = Without(effective, doFlip);
  if (effective & doDirectX7Mode) effective = Without(effective, doRetainedMode);
  // Hardware is a promise only an obtained hardware device can keep.
  return Without(effective, doHardware);
}

TDXDrawOptions ReduceOptionsWhileInitialized(TDXDrawOptions requested, TDXDrawOptions effective) {
  TDXDrawOptions result = static_cast<TDXDrawOptions>((effective & ReinitializeOptions) |
                                                      (requested & ~ReinitializeOptions));
  if (!(result & do3D)) result = Without(result, ObtainedOnly);
  return result;
}
