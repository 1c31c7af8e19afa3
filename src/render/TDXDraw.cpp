#include "render/TDXDraw.h"

#include <algorithm>
#include <cstdio>

#include "platform/Verbose.h"

#include "render/RenderErrors.h"
#include "render/TDirect3DDevice7.h"
#include "render/TDirectDrawSurface.h"

namespace {

// Keeps a flag set for the span of a scope, even when the scope throws.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

TDXDraw::TDXDraw(std::unique_ptr<IRenderBackend> backend)
    : backend_(std::move(backend)), backSurface_(new TDirectDrawSurface(*this)) {}

TDXDraw::~TDXDraw() {
  // A handler's failure cannot leave a destructor; the objects are released regardless.
  try {
    FinalizeDevice();
  } catch (...) {
  }
  try {
    Notify(deDestroying);
  } catch (...) {
  }
  receivers_.clear();
}

void TDXDraw::SetControl(IDrawControl* control) {
  control_ = control;
  ReadControlSize();
  if (control_ && AutoSize && !initialized_) {
    surfaceWidth_ = controlWidth_;
    surfaceHeight_ = controlHeight_;
  }
}

void TDXDraw::ReadControlSize() {
  controlWidth_ = control_ ? control_->ClientWidth() : 0;
  controlHeight_ = control_ ? control_->ClientHeight() : 0;
}

void TDXDraw::SetOptions(TDXDrawOptions options) {
  options_ = options;
  nowOptions_ = initialized_ ? ReduceOptionsWhileInitialized(options_, nowOptions_) : ReduceOptions(options_);
}

int TDXDraw::SurfaceWidth() const { return initialized_ ? backWidth_ : surfaceWidth_; }
int TDXDraw::SurfaceHeight() const { return initialized_ ? backHeight_ : surfaceHeight_; }

void TDXDraw::SetSurfaceWidth(int width) {
  if (width == surfaceWidth_) return;
  surfaceWidth_ = width;
  Notify(deSurfaceSize);
}

void TDXDraw::SetSurfaceHeight(int height) {
  if (height == surfaceHeight_) return;
  surfaceHeight_ = height;
  Notify(deSurfaceSize);
}

void TDXDraw::Call(const TNotifyEvent& handler) {
  if (handler) handler(*this);
}

bool TDXDraw::IsSubscribed(const IDXDrawNotifyReceiver* receiver) const {
  return std::find(receivers_.begin(), receivers_.end(), receiver) != receivers_.end();
}

void TDXDraw::Notify(TDeviceEvent event) {
  // Receivers may subscribe or leave while they are told; walk a snapshot and
  // skip those that left meanwhile.
  const std::vector<IDXDrawNotifyReceiver*> snapshot = receivers_;
  ++notifyDepth_;
  try {
    for (auto* receiver : snapshot) {
      if (IsSubscribed(receiver)) receiver->DXDrawNotify(*this, event);
    }
  } catch (...) {
    --notifyDepth_;
    throw;
  }
  --notifyDepth_;
}

void TDXDraw::RegisterNotifyEvent(IDXDrawNotifyReceiver* receiver) {
  if (!receiver || IsSubscribed(receiver)) return;
  receivers_.push_back(receiver);
  // A newcomer catches up with the device's life so far.
  receiver->DXDrawNotify(*this, deSurfaceSize);
  if (!initialized_) return;
  receiver->DXDrawNotify(*this, deInitialize);
  if (calledDoInitializeSurface_) receiver->DXDrawNotify(*this, deInitializeSurface);
  // While the device is still sending its own initialisation, its restore
  // comes right after and reaches the newcomer too.
  if (!notifyingInitialization_) receiver->DXDrawNotify(*this, deRestore);
}

void TDXDraw::UnRegisterNotifyEvent(IDXDrawNotifyReceiver* receiver) {
  const auto at = std::find(receivers_.begin(), receivers_.end(), receiver);
  if (at == receivers_.end()) return;
  receivers_.erase(at);
  if (calledDoInitializeSurface_) receiver->DXDrawNotify(*this, deFinalizeSurface);
  if (calledDoInitialize_) receiver->DXDrawNotify(*this, deFinalize);
}

void TDXDraw::SwitchDisplayMode() {
  void* window = control_->NativeWindow();
  for (const auto& mode : DisplayModeCandidates(Display, backend_->DisplayModes(window))) {
    if (backend_->SetDisplayMode(window, mode)) return;
  }
  throw EDXDrawError(FormatDisplayModeError(Display.Width, Display.Height, Display.BitCount));
}

void TDXDraw::CreateTarget() {
  const bool fullScreen = (nowOptions_ & doFullScreen) != 0;
  const bool want3D = (nowOptions_ & do3D) && (nowOptions_ & doDirectX7Mode);
  TTargetRequest request;
  request.NativeWindow = control_->NativeWindow();
  request.Width = std::max(surfaceWidth_, 1);
  request.Height = std::max(surfaceHeight_, 1);
  request.FullScreen = fullScreen;
  request.SystemMemory = (nowOptions_ & doSystemMemory) != 0;
  request.Hardware = want3D && (options_ & doHardware) && !request.SystemMemory;
  request.Want3D = want3D;

  const TTargetResult result = backend_->CreateTarget(request);
  targetMade_ = true;
  switch (result.Failure) {
    case TTargetFailure::None:
      break;
    case TTargetFailure::PrimarySurface:
      throw EDXDrawError(FormatWord(SCannotMade, SPrimarySurface));
    case TTargetFailure::Surface:
      throw EDXDrawError(FormatWord(SCannotMade, SSurface));
    case TTargetFailure::Device3DNotFound:
      throw EDXDrawError(SDirect3DDeviceNotFound);
    case TTargetFailure::Device3D:
      throw EDXDrawError(FormatWord(SCannotMade, SDirect3DDevice7));
  }
  backWidth_ = request.Width;
  backHeight_ = request.Height;
  if (result.SystemMemory) nowOptions_ |= doSystemMemory;
  if (want3D) {
    nowOptions_ &= static_cast<TDXDrawOptions>(~(doHardware | doZBuffer | doRetainedMode | doSelectDriver));
    if (result.Hardware) nowOptions_ |= doHardware;
    if (result.ZBuffer) nowOptions_ |= doZBuffer;
    d3dDevice_ = std::make_unique<TDirect3DDevice7>(*this);
  }
}

void TDXDraw::InitializeDevice() {
  initializeCalledOnce_ = true;
  FinalizeDevice();
  if (!control_ || !control_->HasParentForm()) throw EDXDrawError(SFormNotFound);

  Call(OnInitializing);
  inTransition_ = true;
  try {
    Notify(deInitializing);
    if (nowOptions_ & doFullScreen) SwitchDisplayMode();
    ReadControlSize();
    if (AutoSize) {
      surfaceWidth_ = controlWidth_;
      surfaceHeight_ = controlHeight_;
    }
    CreateTarget();
    inTransition_ = false;
    initialized_ = true;
    {
      TFlagScope sending(notifyingInitialization_);
      Notify(deSurfaceSize);
      calledDoInitialize_ = true;
      Notify(deInitialize);
      Call(OnInitialize);
      calledDoInitializeSurface_ = true;
      Notify(deInitializeSurface);
      Call(OnInitializeSurface);
    }
    RestoreSurfaces();
  } catch (...) {
    if (initialized_) {
      try {
        FinalizeDevice();
      } catch (...) {
        // The first failure is the one worth reporting.
      }
    } else {
      ReleaseDeviceObjects();
    }
    throw;
  }
}

void TDXDraw::ReleaseDeviceObjects() {
  d3dDevice_.reset();
  if (targetMade_) backend_->ReleaseTarget();
  targetMade_ = false;
  initialized_ = false;
  inTransition_ = false;
  calledDoInitialize_ = false;
  calledDoInitializeSurface_ = false;
  nowOptions_ = ReduceOptions(options_);
}

void TDXDraw::FinalizeDevice() {
  if (!initialized_) return;
  surfaceWidth_ = backWidth_;
  surfaceHeight_ = backHeight_;
  inTransition_ = true;
  try {
    // Each stage is marked done before it is sent, so a receiver leaving in
    // the middle is not told twice.
    if (calledDoInitializeSurface_) {
      calledDoInitializeSurface_ = false;
      Notify(deFinalizeSurface);
      Call(OnFinalizeSurface);
    }
    if (calledDoInitialize_) {
      calledDoInitialize_ = false;
      Notify(deFinalize);
      Call(OnFinalize);
    }
  } catch (...) {
    ReleaseDeviceObjects();
    throw;
  }
  ReleaseDeviceObjects();
}

void TDXDraw::RestoreSurfaces() {
  if (!initialized_) return;
  {
    TFlagScope restoring(inTransition_);
    if (!backend_->Restore()) return;
    backend_->Clear(TRect{0, 0, backWidth_, backHeight_}, 0);
    Notify(deRestore);
    Call(OnRestoreSurface);
  }
}

bool TDXDraw::DeviceReady() {
  if (!initialized_ || inTransition_) return false;
  if (!backend_->IsLost()) return true;
  RestoreSurfaces();
  return initialized_ && !backend_->IsLost();
}

TRect TDXDraw::PresentDestination() const {
  if (nowOptions_ & doStretch) return TRect{0, 0, controlWidth_, controlHeight_};
  TRect dest{0, 0, backWidth_, backHeight_};
  if (nowOptions_ & doCenter) {
    const int dx = (controlWidth_ - backWidth_) / 2;
    const int dy = (controlHeight_ - backHeight_) / 2;
    dest = TRect{dx, dy, dx + backWidth_, dy + backHeight_};
  }
  return dest;
}

bool TDXDraw::Present(bool waitVBlank) {
  if (!control_ || !DeviceReady()) return false;
  if (nowOptions_ & doFullScreen) {
    // A flip only shows while our form is the one in front.
    return control_->IsFormActive() && backend_->Present(TRect{0, 0, backWidth_, backHeight_}, true);
  }
  return backend_->Present(PresentDestination(), waitVBlank);
}

void TDXDraw::PresentFrame() {
  const bool shown = Present((nowOptions_ & doWaitVBlank) != 0);
  // What start-up time measurements wait for.
  if (shown && !firstFrameTold_) {
    firstFrameTold_ = true;
    if (VerboseOutput()) std::fprintf(stderr, "tessaly frame: the first frame is on screen\n");
  }
}

void TDXDraw::Paint() { Present(false); }

void TDXDraw::FinishDrawing() {
  if (initialized_) backend_->FinishDrawing();
}

void TDXDraw::FormShown() {
  if (AutoInitialize && !initializeCalledOnce_) InitializeDevice();
}

void TDXDraw::FormDestroyed() { FinalizeDevice(); }

void TDXDraw::BeginMoveSize() { FinalizeDevice(); }

void TDXDraw::EndMoveSize() {
  if (initializeCalledOnce_) InitializeDevice();
}

void TDXDraw::ControlResized() {
  if (!control_) return;
  ReadControlSize();
  if (!initialized_) {
    if (AutoSize) {
      SetSurfaceWidth(controlWidth_);
      SetSurfaceHeight(controlHeight_);
    }
    return;
  }
  BeginMoveSize();
  EndMoveSize();
}
