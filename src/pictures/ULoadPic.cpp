#include "pictures/ULoadPic.h"

#include <algorithm>
#include <exception>
#include <iostream>

#include "pictures/ErrorLog.h"
#include "pictures/FadeBlend.h"
#include "pictures/PictureFile.h"
#include "pictures/PictureFit.h"
#include "platform/FileStream.h"
#include "platform/EventLoop.h"
#include "platform/ThreadPriority.h"
#include "render/IDrawControl.h"
#include "render/TDXDraw.h"

namespace {

constexpr int32_t ImageBits = 24;
// A width of one pixel marks the picture on show as not loaded yet.
constexpr int32_t UnloadedWidth = 1;
constexpr char UnknownFailure[] = "Unknown error";

}

TLoadPic::TLoadPic(TDXDraw* device) : TLoadPic(device, UiLoop()) {}

TLoadPic::TLoadPic(TDXDraw* device, TEventLoop& loop) : device_(device), loop_(loop), worker_(loop)
{
    if (device_) {
        if (const IDrawControl* control = device_->Control()) {
            width_ = control->ClientWidth();
            height_ = control->ClientHeight();
        } else {
            width_ = device_->SurfaceWidth();
            height_ = device_->SurfaceHeight();
        }
    }
    width_ = std::max(width_, 0);
    height_ = std::max(height_, 0);
    current_.SetSize(UnloadedWidth, height_, ImageBits);
}

TLoadPic::~TLoadPic()
{
    Terminate();
    worker_.WaitFor();
}

void TLoadPic::SetFileName(const std::string& fileName)
{
    std::lock_guard guard(lock_);
    fileName_ = fileName;
}

std::string TLoadPic::FileName() const
{
    std::lock_guard guard(lock_);
    return fileName_;
}

void TLoadPic::Resume()
{
    {
        std::lock_guard guard(lock_);
        suspendRequested_ = false;
        waitingForName_ = false;
        ++wakes_;
    }
    wake_.notify_all();
    if (!worker_.Started()) {
        worker_.Start([this] { Execute(); });
    }
}

void TLoadPic::Suspend()
{
    std::lock_guard guard(lock_);
    suspendRequested_ = true;
}

bool TLoadPic::Suspended() const
{
    std::lock_guard guard(lock_);
    return suspendRequested_ || waitingForName_;
}

void TLoadPic::Terminate()
{
    {
        std::lock_guard guard(lock_);
        terminated_ = true;
    }
    wake_.notify_all();
}

void TLoadPic::Execute()
{
    // Frames come first: a fade may take longer, a frame may not.
    LowerThreadPriority();
    TDIB next;
    try {
        next.SetSize(width_, height_, ImageBits);
    } catch (const std::exception& error) {
        LogFailure(FileName(), error.what());
        return;
    }
    while (!Terminated()) {
        std::string fileName;
        uint64_t wakesSeen;
        {
            std::lock_guard guard(lock_);
            fileName = fileName_;
            wakesSeen = wakes_;
        }
        try {
            RunPass(fileName, next);
        } catch (const EFileStreamStopped&) {
            // The saver is ending: nothing failed.
        } catch (const std::exception& error) {
            LogFailure(fileName, error.what());
            SleepUntilNamed(wakesSeen);
        } catch (...) {
            LogFailure(fileName, UnknownFailure);
            SleepUntilNamed(wakesSeen);
        }
    }
}

void TLoadPic::RunPass(const std::string& fileName, TDIB& next)
{
    // Never decoded larger than the surface it is shown on; the saver's end
    // stops the reading and decoding at once.
    TLoadedPicture loaded = LoadPicture(fileName, TPictureBox{width_, height_}, &terminated_);
    TDIB& picture = loaded.Dib;
    std::fill(next.Bits(), next.Bits() + next.Size(), uint8_t(0));
    const TRect fit = FitRect(loaded.Width, loaded.Height, next.Width(), next.Height(), width_, height_);
    if (current_.Width() == UnloadedWidth) {
        // The first picture is shown as it is: the fade then runs from the
        // picture to itself.
        current_.SetSize(next.Width(), current_.Height(), ImageBits);
        current_.StretchDraw(fit, picture, picture.BoundsRect());
    }
    next.StretchDraw(fit, picture, picture.BoundsRect());
    picture.Clear();

    std::chrono::steady_clock::time_point lastShown;
    for (int32_t step = 1; step <= FadeSteps && !Terminated(); ++step) {
        BlendPicture(current_, next, FadeWeight(step));
        // Made here, not in the hand-over, so the user-interface thread never
        // pays for a screen-sized conversion.
        stepSurface_.CopyPicture(current_);
        if (step > 1)
            WaitUntilOrTerminated(lastShown + StepInterval);
        loop_.Synchronize([this] { HandOverStep(); });
        lastShown = std::chrono::steady_clock::now();
    }
    loop_.Synchronize([this] { HandOverFinal(); });
    SleepWhileSuspended();
}

void TLoadPic::HandOverStep()
{
    if (!device_ || !device_->DeviceReady()) {
        // Nothing can be shown any more: the slideshow stays on its last image.
        stepSurface_.SetSurfaceSize(0, 0);
        Terminate();
        return;
    }
    finished_ = false;
    if (HandOver) {
        HandOver(*this);
    }
}

void TLoadPic::HandOverFinal()
{
    finished_ = true;
    if (HandOver) {
        HandOver(*this);
    }
}

void TLoadPic::SleepWhileSuspended()
{
    std::unique_lock guard(lock_);
    wake_.wait(guard, [this] { return !suspendRequested_ || terminated_; });
}

void TLoadPic::WaitUntilOrTerminated(std::chrono::steady_clock::time_point due)
{
    std::unique_lock guard(lock_);
    wake_.wait_until(guard, due, [this] { return terminated_.load(); });
}

// Reading the same name again would fail the same way: the next attempt
// waits for the scene to name a picture, which comes with a wake.
void TLoadPic::SleepUntilNamed(uint64_t wakesSeen)
{
    std::unique_lock guard(lock_);
    waitingForName_ = true;
    wake_.wait(guard, [&] { return wakes_ != wakesSeen || terminated_; });
    waitingForName_ = false;
}

void TLoadPic::LogFailure(const std::string& fileName, const std::string& message)
{
    try {
        WriteErrorLog(PictureFailureLine(fileName, message));
    } catch (const std::exception& error) {
        // Losing the log must not end the slideshow.
        std::cerr << "tessaly: " << error.what() << " (" << message << ")\n";
    }
}
