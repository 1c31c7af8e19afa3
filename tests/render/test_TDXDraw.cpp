#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeRenderBackend.h"
#include "render/RenderErrors.h"
#include "render/TDXDraw.h"
#include "render/TDirectDrawSurface.h"

namespace {

const char* EventName(TDeviceEvent event) {
  static const char* const names[] = {"Destroying", "Initializing", "Initialize", "InitializeSurface",
                                      "Finalize",   "FinalizeSurface", "Restore", "SurfaceSize"};
  return names[event];
}

// Writes what it is told into a shared log.
class RecordingReceiver : public IDXDrawNotifyReceiver {
 public:
  RecordingReceiver(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
  void DXDrawNotify(TDXDraw&, TDeviceEvent event) override { log_.push_back(name_ + ":" + EventName(event)); }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

class TDXDrawTest : public ::testing::Test {
 protected:
  TDXDrawTest() {
    auto owned = std::make_unique<FakeRenderBackend>();
    backend = owned.get();
    device = std::make_unique<TDXDraw>(std::move(owned));
    device->SetOptions(SceneDeviceOptions);
    device->SetControl(&control);
    const auto record = [this](const char* what) { return [this, what](TDXDraw&) { log.push_back(what); }; };
    device->OnInitializing = record("OnInitializing");
    device->OnInitialize = record("OnInitialize");
    device->OnInitializeSurface = record("OnInitializeSurface");
    device->OnRestoreSurface = record("OnRestoreSurface");
    device->OnFinalizeSurface = record("OnFinalizeSurface");
    device->OnFinalize = record("OnFinalize");
  }

  std::vector<std::string> TakeLog() { return std::exchange(log, {}); }

  // Declared first so that the device's last notifications still have a log.
  std::vector<std::string> log;
  FakeControl control;
  FakeRenderBackend* backend = nullptr;
  std::unique_ptr<TDXDraw> device;
};

using Log = std::vector<std::string>;

TEST_F(TDXDrawTest, InitialiseFinaliseAndRestoreNotifyInOrder) {
  RecordingReceiver receiver(log, "r");
  device->RegisterNotifyEvent(&receiver);
  EXPECT_EQ(TakeLog(), Log{"r:SurfaceSize"});

  device->InitializeDevice();
  EXPECT_EQ(TakeLog(), (Log{"OnInitializing", "r:Initializing", "r:SurfaceSize", "r:Initialize", "OnInitialize",
                            "r:InitializeSurface", "OnInitializeSurface", "r:Restore", "OnRestoreSurface"}));
  EXPECT_TRUE(device->DeviceReady());

  backend->Lost = true;
  EXPECT_TRUE(device->DeviceReady());
  EXPECT_EQ(TakeLog(), (Log{"r:Restore", "OnRestoreSurface"}));

  device->FinalizeDevice();
  EXPECT_EQ(TakeLog(), (Log{"r:FinalizeSurface", "OnFinalizeSurface", "r:Finalize", "OnFinalize"}));
  EXPECT_FALSE(device->DeviceReady());
  EXPECT_EQ(backend->Targets, 0);

  // Finalising twice releases nothing twice.
  device->FinalizeDevice();
  EXPECT_TRUE(TakeLog().empty());

  device.reset();
  EXPECT_EQ(TakeLog(), Log{"r:Destroying"});
}

TEST_F(TDXDrawTest, NewcomerCatchesUpAndLeaverIsFinalised) {
  device->InitializeDevice();
  TakeLog();
  RecordingReceiver late(log, "late");
  device->RegisterNotifyEvent(&late);
  EXPECT_EQ(TakeLog(), (Log{"late:SurfaceSize", "late:Initialize", "late:InitializeSurface", "late:Restore"}));

  device->UnRegisterNotifyEvent(&late);
  EXPECT_EQ(TakeLog(), (Log{"late:FinalizeSurface", "late:Finalize"}));
  device->UnRegisterNotifyEvent(&late);
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(TDXDrawTest, SubscriberAddedDuringInitialisationWaitsForTheDevicesOwnRestore) {
  RecordingReceiver inner(log, "inner");
  device->OnInitialize = [&](TDXDraw& sender) { sender.RegisterNotifyEvent(&inner); };
  device->InitializeDevice();
  EXPECT_EQ(TakeLog(), (Log{"OnInitializing", "inner:SurfaceSize", "inner:Initialize", "inner:InitializeSurface",
                            "OnInitializeSurface", "inner:Restore", "OnRestoreSurface"}));
  device->UnRegisterNotifyEvent(&inner);
}

TEST_F(TDXDrawTest, ReceiverLeavingDuringFinaliseIsToldOnce) {
  RecordingReceiver first(log, "a");
  RecordingReceiver second(log, "b");
  device->RegisterNotifyEvent(&first);
  device->RegisterNotifyEvent(&second);
  device->InitializeDevice();
  // Like the scene's finalise handler freeing its textures.
  device->OnFinalize = [&](TDXDraw& sender) { sender.UnRegisterNotifyEvent(&second); };
  TakeLog();
  device->FinalizeDevice();
  EXPECT_EQ(TakeLog(), (Log{"a:FinalizeSurface", "b:FinalizeSurface", "OnFinalizeSurface", "a:Finalize",
                            "b:Finalize"}));
  device->UnRegisterNotifyEvent(&first);
}

TEST_F(TDXDrawTest, FailuresCarryTheirTextsAndLeaveTheDeviceFinalised) {
  const auto initialiseFails = [&](const std::string& text) {
    try {
      device->InitializeDevice();
      ADD_FAILURE() << "no failure for " << text;
    } catch (const EDXDrawError& error) {
      EXPECT_EQ(error.what(), text);
    }
    EXPECT_FALSE(device->Initialized());
    EXPECT_FALSE(device->DeviceReady());
    EXPECT_EQ(backend->Targets, 0);
  };
  control.Form = false;
  initialiseFails("Form not found");
  control.Form = true;

  backend->Obtains.Failure = TTargetFailure::PrimarySurface;
  initialiseFails("Primary Surface cannot be made");
  backend->Obtains.Failure = TTargetFailure::Surface;
  initialiseFails("Surface cannot be made");
  backend->Obtains.Failure = TTargetFailure::Device3DNotFound;
  initialiseFails("3D device not found");
  backend->Obtains.Failure = TTargetFailure::Device3D;
  initialiseFails("IDirect3DDevice7 cannot be made");
  backend->Obtains.Failure = TTargetFailure::None;

  // A handler failing after the device objects exist finalises what was made.
  device->OnInitializeSurface = [](TDXDraw&) { throw EDXDrawError("handler"); };
  TakeLog();
  initialiseFails("handler");
  EXPECT_EQ(TakeLog(), (Log{"OnInitializing", "OnInitialize", "OnFinalizeSurface", "OnFinalize"}));
}

TEST_F(TDXDrawTest, FullScreenSearchesTheListedModes) {
  device->SetOptions(SceneDeviceOptions | doFullScreen);
  backend->Modes = {{1024, 768, 32}, {800, 600, 32}, {1280, 720, 32}, {640, 480, 32}};
  backend->SettableModes = {{800, 600, 32}, {1280, 720, 32}};
  device->InitializeDevice();
  // 640x480x16 is not listed; 640x480x32 shares its ratio but is refused;
  // 800x600 comes next by size among the 4:3 modes.
  EXPECT_EQ(backend->TriedModes, (std::vector<TDisplayMode>{{640, 480, 16}, {640, 480, 32}, {800, 600, 32}}));
  EXPECT_TRUE(backend->LastRequest.FullScreen);

  backend->SettableModes.clear();
  try {
    device->InitializeDevice();
    ADD_FAILURE() << "a full screen without a mode";
  } catch (const EDXDrawError& error) {
    EXPECT_STREQ(error.what(), "Display mode cannot be changed (640x480 16bit)");
  }
}

TEST_F(TDXDrawTest, DisplayModeCandidatesHonourTheFixedSettings) {
  TDXDrawDisplay display;
  const std::vector<TDisplayMode> listed = {{1920, 1080, 32}, {1024, 768, 16}, {640, 480, 32}, {640, 480, 16}};
  EXPECT_EQ(DisplayModeCandidates(display, listed),
            (std::vector<TDisplayMode>{{640, 480, 16}, {640, 480, 32}, {1024, 768, 16}, {1920, 1080, 32}}));
  display.FixedRatio = false;
  display.FixedBitCount = true;
  EXPECT_EQ(DisplayModeCandidates(display, listed), (std::vector<TDisplayMode>{{640, 480, 16}, {1024, 768, 16}}));
  display.FixedSize = true;
  EXPECT_EQ(DisplayModeCandidates(display, listed), (std::vector<TDisplayMode>{{640, 480, 16}}));
}

TEST_F(TDXDrawTest, SizesFollowTheControl) {
  control.Width = 0;
  control.Height = 0;
  device->InitializeDevice();
  // A control without area still gets a 1x1 back surface.
  EXPECT_EQ(backend->LastRequest.Width, 1);
  EXPECT_EQ(backend->LastRequest.Height, 1);
  EXPECT_EQ(device->SurfaceWidth(), 1);

  control.Width = 640;
  control.Height = 400;
  TakeLog();
  device->ControlResized();
  EXPECT_EQ(TakeLog(), (Log{"OnFinalizeSurface", "OnFinalize", "OnInitializing", "OnInitialize",
                            "OnInitializeSurface", "OnRestoreSurface"}));
  EXPECT_EQ(device->SurfaceWidth(), 640);
  EXPECT_EQ(device->Surface().Width(), 640);
  EXPECT_EQ(device->Surface().Height(), 400);
}

TEST_F(TDXDrawTest, PresentCentresStretchesOrWaitsForTheForm) {
  device->AutoSize = false;
  device->SetSurfaceWidth(200);
  device->SetSurfaceHeight(100);
  device->InitializeDevice();
  device->PresentFrame();
  EXPECT_EQ(backend->LastPresent, (TRect{300, 250, 500, 350}));
  EXPECT_FALSE(backend->LastPresentWaited);

  device->SetOptions(SceneDeviceOptions | doStretch | doWaitVBlank);
  device->PresentFrame();
  EXPECT_EQ(backend->LastPresent, (TRect{0, 0, 800, 600}));
  EXPECT_TRUE(backend->LastPresentWaited);
  device->Paint();
  EXPECT_FALSE(backend->LastPresentWaited);

  // Nothing is shown while the device is not ready.
  backend->Lost = true;
  backend->RestoreWorks = false;
  backend->Calls.clear();
  device->PresentFrame();
  EXPECT_EQ(backend->Calls, (std::vector<std::string>{"Restore"}));
}

TEST_F(TDXDrawTest, PresentingTakesTheControlSizeOfItsLastResize) {
  device->AutoSize = false;
  device->SetSurfaceWidth(200);
  device->SetSurfaceHeight(100);
  device->InitializeDevice();
  control.SizeQueries = 0;
  for (int frame = 0; frame < 3; ++frame) device->PresentFrame();
  EXPECT_EQ(control.SizeQueries, 0);
  EXPECT_EQ(backend->LastPresent, (TRect{300, 250, 500, 350}));

  // The new size counts once the control says it was resized, as a window's
  // size message says.
  control.Width = 1000;
  control.Height = 700;
  device->PresentFrame();
  EXPECT_EQ(backend->LastPresent, (TRect{300, 250, 500, 350}));
  device->ControlResized();
  device->PresentFrame();
  EXPECT_EQ(backend->LastPresent, (TRect{400, 300, 600, 400}));
}

TEST_F(TDXDrawTest, ShowingInitialisesOnceAndMovesCycleTheDevice) {
  device->FormShown();
  EXPECT_TRUE(device->Initialized());
  device->FinalizeDevice();
  device->FormShown();
  EXPECT_FALSE(device->Initialized());

  device->EndMoveSize();
  EXPECT_TRUE(device->Initialized());
  device->BeginMoveSize();
  EXPECT_FALSE(device->Initialized());
  device->EndMoveSize();
  device->FormDestroyed();
  EXPECT_FALSE(device->Initialized());
}

TEST_F(TDXDrawTest, BackSurfaceTakesBlitsOnlyWhileInitialised) {
  TDirectDrawSurface background;
  background.SetSurfaceSize(800, 600);
  const TRect all = background.ClientRect();
  EXPECT_FALSE(device->Surface().BltFast(0, 0, background, all, 0));
  EXPECT_FALSE(device->Surface().HasPixels());

  device->InitializeDevice();
  backend->Calls.clear();
  EXPECT_TRUE(device->Surface().BltFast(0, 0, background, all, 0));
  // A copy that would leave the back surface is refused, as is a keyed one.
  EXPECT_FALSE(device->Surface().BltFast(1, 0, background, all, 0));
  EXPECT_FALSE(device->Surface().BltFast(0, 0, background, all, 1));
  EXPECT_EQ(backend->Calls, (std::vector<std::string>{"Copy"}));
}

}  // namespace
