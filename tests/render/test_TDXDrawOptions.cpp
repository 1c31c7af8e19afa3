#include <gtest/gtest.h>

#include "FakeRenderBackend.h"
#include "render/TDXDraw.h"

namespace {

TEST(TDXDrawOptions, FlagsSitAtTheirStoredBits) {
  const TDXDrawOptions order[] = {doFullScreen, doNoWindowChange, doAllowReboot, doWaitVBlank, doAllowPalette256,
                                  doSystemMemory, doStretch,      doCenter,      doFlip,       do3D,
                                  doDirectX7Mode, doRetainedMode, doHardware,    doSelectDriver, doZBuffer};
  for (int bit = 0; bit < 15; ++bit) EXPECT_EQ(order[bit], 1u << bit) << "bit " << bit;
  EXPECT_EQ(SceneDeviceOptions, doAllowReboot | doCenter | do3D | doDirectX7Mode | doRetainedMode | doHardware |
                                    doZBuffer);
  EXPECT_EQ(DefaultDeviceOptions, doAllowReboot | doWaitVBlank | doCenter | do3D | doDirectX7Mode | doHardware |
                                      doSelectDriver);
}

TEST(TDXDrawOptions, ReductionBeforeInitialisation) {
  // The scene's windowed device asks for centring, 3D, DirectX 7 and a depth buffer.
  EXPECT_EQ(ReduceOptions(SceneDeviceOptions), doCenter | do3D | doDirectX7Mode | doZBuffer);
  // Full-screen-only flags stay with doFullScreen; hardware never survives.
  EXPECT_EQ(ReduceOptions(doFullScreen | doNoWindowChange | doAllowReboot | doAllowPalette256 | doFlip | doHardware |
                          do3D),
            doFullScreen | doNoWindowChange | doAllowReboot | doAllowPalette256 | doFlip | do3D);
  // Without 3D none of the 3D flags remain.
  EXPECT_EQ(ReduceOptions(doDirectX7Mode | doRetainedMode | doHardware | doSelectDriver | doZBuffer | doStretch),
            doStretch);
  // System memory rules out flipping; DirectX 7 mode rules out retained mode.
  EXPECT_EQ(ReduceOptions(doFullScreen | doSystemMemory | doFlip), doFullScreen | doSystemMemory);
  EXPECT_EQ(ReduceOptions(do3D | doRetainedMode), do3D | doRetainedMode);
  EXPECT_EQ(ReduceOptions(do3D | doDirectX7Mode | doRetainedMode), do3D | doDirectX7Mode);
}

TEST(TDXDrawOptions, ReductionWhileInitialised) {
  const TDXDrawOptions running = doCenter | do3D | doDirectX7Mode | doHardware;
  // Only doWaitVBlank, doStretch and doCenter follow a new request.
  EXPECT_EQ(ReduceOptionsWhileInitialized(doFullScreen | doStretch | doWaitVBlank, running),
            do3D | doDirectX7Mode | doHardware | doStretch | doWaitVBlank);
  // Without 3D in force the obtained 3D flags go.
  EXPECT_EQ(ReduceOptionsWhileInitialized(doCenter, doRetainedMode | doHardware | doSelectDriver | doZBuffer | doFlip),
            doCenter | doFlip);
}

TEST(TDXDrawOptions, DeviceAppliesTheRuleOfItsState) {
  auto backend = std::make_unique<FakeRenderBackend>();
  backend->Obtains.Hardware = true;
  TDXDraw device(std::move(backend));
  FakeControl control;
  device.SetControl(&control);

  EXPECT_EQ(device.NowOptions(), ReduceOptions(DefaultDeviceOptions));
  device.SetOptions(SceneDeviceOptions);
  EXPECT_EQ(device.NowOptions(), doCenter | do3D | doDirectX7Mode | doZBuffer);

  device.InitializeDevice();
  // Hardware was obtained, no depth buffer was.
  EXPECT_EQ(device.NowOptions(), doCenter | do3D | doDirectX7Mode | doHardware);
  device.SetOptions(SceneDeviceOptions | doFullScreen | doStretch);
  EXPECT_EQ(device.NowOptions(), doCenter | do3D | doDirectX7Mode | doHardware | doStretch);

  device.FinalizeDevice();
  EXPECT_EQ(device.NowOptions(), ReduceOptions(SceneDeviceOptions | doFullScreen | doStretch));
}

TEST(TDXDrawOptions, ObtainedCapabilitiesCorrectTheOptions) {
  auto backend = std::make_unique<FakeRenderBackend>();
  FakeRenderBackend& fake = *backend;
  fake.Obtains.Hardware = false;
  fake.Obtains.SystemMemory = true;
  TDXDraw device(std::move(backend));
  FakeControl control;
  device.SetControl(&control);
  device.SetOptions(SceneDeviceOptions | doSelectDriver);
  device.InitializeDevice();
  // A back surface in system memory means a software device.
  EXPECT_EQ(device.NowOptions(), doCenter | do3D | doDirectX7Mode | doSystemMemory);
  EXPECT_TRUE(fake.LastRequest.Hardware);
  EXPECT_TRUE(fake.LastRequest.Want3D);

  // Asking for system memory means hardware is not even attempted.
  device.SetOptions(SceneDeviceOptions | doSystemMemory);
  device.InitializeDevice();
  EXPECT_FALSE(fake.LastRequest.Hardware);
  EXPECT_TRUE(fake.LastRequest.SystemMemory);
}

}  // namespace
