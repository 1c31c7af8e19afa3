#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "render/D3DTypes.h"
#include "render/IDrawControl.h"
#include "render/IRenderBackend.h"
#include "render/TDXDrawDisplay.h"
#include "render/TDXDrawOptions.h"
#include "render/TDeviceEvent.h"

class TDirect3DDevice7;
class TDirectDrawSurface;

// The rendering device: a back surface with a 3D device on it, presented into
// a control. It keeps the rules (options, the order of initialisation and
// notifications, restore after loss, presenting) and leaves the work to its
// backend. Used on the user-interface thread only.
class TDXDraw {
 public:
  using TNotifyEvent = std::function<void(TDXDraw& sender)>;

  explicit TDXDraw(std::unique_ptr<IRenderBackend> backend);
  ~TDXDraw();
  TDXDraw(const TDXDraw&) = delete;
  TDXDraw& operator=(const TDXDraw&) = delete;

  // The window to draw into; the control must outlive its use here. A new
  // control takes effect at the next initialisation.
  void SetControl(IDrawControl* control);
  IDrawControl* Control() const { return control_; }

  TDXDrawOptions Options() const { return options_; }
  void SetOptions(TDXDrawOptions options);
  // The options in force: requested ones reduced, then corrected by what the
  // last initialisation really obtained.
  TDXDrawOptions NowOptions() const { return nowOptions_; }

  // The back surface's size while initialised, the stored size otherwise. A
  // stored size set while initialised takes effect at the next initialisation
  // (unless AutoSize replaces it with the control's).
  int SurfaceWidth() const;
  int SurfaceHeight() const;
  void SetSurfaceWidth(int width);
  void SetSurfaceHeight(int height);

  void InitializeDevice();
  void FinalizeDevice();
  bool DeviceReady();
  void RestoreSurfaces();
  void PresentFrame();
  // Carries out the drawing still waiting in the backend, which may read a
  // plain surface: called before such a surface changes between frames.
  void FinishDrawing();

  bool Initialized() const { return initialized_; }
  bool InTransition() const { return inTransition_; }

  // The back surface; it has pixels only while the device is initialised.
  TDirectDrawSurface& Surface() { return *backSurface_; }
  // The 3D device; none unless initialised with do3D and doDirectX7Mode.
  TDirect3DDevice7* D3DDevice7() { return d3dDevice_.get(); }
  IRenderBackend& Backend() { return *backend_; }

  void RegisterNotifyEvent(IDXDrawNotifyReceiver* receiver);
  void UnRegisterNotifyEvent(IDXDrawNotifyReceiver* receiver);

  // Hooks the control's window calls as things happen to it.
  void FormShown();
  void FormDestroyed();
  void BeginMoveSize();
  void EndMoveSize();
  // A resize is a move-size cycle of its own; a device not yet initialised
  // only takes the new size.
  void ControlResized();
  // Shows the current back surface again without waiting for the blank.
  void Paint();

  bool AutoInitialize = true;
  bool AutoSize = true;
  TDXDrawDisplay Display;

  TNotifyEvent OnInitializing;
  TNotifyEvent OnInitialize;
  TNotifyEvent OnInitializeSurface;
  TNotifyEvent OnRestoreSurface;
  TNotifyEvent OnFinalizeSurface;
  TNotifyEvent OnFinalize;

 private:
  void Notify(TDeviceEvent event);
  void Call(const TNotifyEvent& handler);
  bool IsSubscribed(const IDXDrawNotifyReceiver* receiver) const;
  void SwitchDisplayMode();
  void CreateTarget();
  void ReleaseDeviceObjects();
  TRect PresentDestination() const;
  bool Present(bool waitVBlank);
  void ReadControlSize();

  std::unique_ptr<IRenderBackend> backend_;
  IDrawControl* control_ = nullptr;
  // The control's client size as of its last resize: presenting needs it
  // every frame, and asking a window system for it can cost a round trip.
  int controlWidth_ = 0;
  int controlHeight_ = 0;
  TDXDrawOptions options_ = DefaultDeviceOptions;
  TDXDrawOptions nowOptions_ = ReduceOptions(DefaultDeviceOptions);
  int surfaceWidth_ = 100;
  int surfaceHeight_ = 100;
  int backWidth_ = 0;
  int backHeight_ = 0;

  bool initialized_ = false;
  bool inTransition_ = false;
  bool initializeCalledOnce_ = false;
  bool firstFrameTold_ = false;
  bool calledDoInitialize_ = false;
  bool calledDoInitializeSurface_ = false;
  bool notifyingInitialization_ = false;
  bool targetMade_ = false;
  int notifyDepth_ = 0;

  std::vector<IDXDrawNotifyReceiver*> receivers_;
  std::unique_ptr<TDirectDrawSurface> backSurface_;
  std::unique_ptr<TDirect3DDevice7> d3dDevice_;
};
