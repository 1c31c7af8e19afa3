#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/WorkerThread.h"
#include "render/TDIB.h"
#include "render/TDirectDrawSurface.h"

class TDXDraw;
class TEventLoop;

// The slideshow's loader thread: reads the picture it is named, fits it on
// black to the drawing surface's proportions and cross-fades from the picture
// on show to it in 25 steps, handing every step to the user-interface thread
// and waiting there until the scene has taken it. After a fade it sleeps until
// it is resumed with the next name.
//
// The thread itself never touches the device: it draws each step into
// StepSurface and the readiness check runs on the user-interface thread
// inside each hand-over, while the thread waits. A hand-over may take the
// step's pixels by TDirectDrawSurface::SwapPixels; the thread draws the next
// step over whatever it is given back.
class TLoadPic {
public:
    using THandOver = std::function<void(TLoadPic& sender)>;

    // Made suspended, on the user-interface thread. The images take the size
    // of the device's control as it is now. Hand-overs run on `loop`.
    explicit TLoadPic(TDXDraw* device);
    TLoadPic(TDXDraw* device, TEventLoop& loop);
    // Requests termination and waits for the thread to end, serving its
    // hand-overs meanwhile.
    ~TLoadPic();
    TLoadPic(const TLoadPic&) = delete;
    TLoadPic& operator=(const TLoadPic&) = delete;

    // The least time between two steps shown: two frame ticks, so that every
    // step stays on screen for two whole frames. The weights bring the image
    // within sight of the new picture after about a dozen steps, so the eye
    // sees a cross-fade of about a second on any machine; all 25 take two.
    // The next step is blended while the loader waits for its turn.
    static constexpr std::chrono::milliseconds DefaultStepInterval{80};
    std::chrono::milliseconds StepInterval = DefaultStepInterval;

    // Runs on the user-interface thread after each step (Finished false) and
    // once more at the end of a fade (Finished true). The scene binds itself
    // into it. Set before the first Resume.
    THandOver HandOver;

    // The picture of the next pass; read when a pass begins.
    void SetFileName(const std::string& fileName);
    std::string FileName() const;

    // Starts the thread the first time, wakes it afterwards. A wake that
    // arrives before the thread has gone to sleep is kept, not lost.
    void Resume();
    // Sends the thread to sleep once the hand-over it is in returns.
    void Suspend();
    // Whether it is asleep or about to be: created and not yet resumed,
    // suspended, or waiting for a new name after a picture it could not read.
    bool Suspended() const;
    void Terminate();
    bool Terminated() const { return terminated_; }

    TDXDraw* Device() const { return device_; }
    // Inside a hand-over only: whether it ends a fade, and the step's pixels
    // (at the end of a fade, the last step's unless a hand-over swapped them
    // away).
    bool Finished() const { return finished_; }
    TDirectDrawSurface& StepSurface() { return stepSurface_; }

private:
    void Execute();
    void RunPass(const std::string& fileName, TDIB& next);
    void HandOverStep();
    void HandOverFinal();
    void SleepWhileSuspended();
    void WaitUntilOrTerminated(std::chrono::steady_clock::time_point due);
    void SleepUntilNamed(uint64_t wakesSeen);
    void LogFailure(const std::string& fileName, const std::string& message);

    TDXDraw* device_;
    TEventLoop& loop_;
    int32_t width_ = 0;
    int32_t height_ = 0;

    // Loader thread; read by the user-interface thread inside hand-overs.
    TDIB current_;
    TDirectDrawSurface stepSurface_;
    bool finished_ = false;

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::string fileName_;
    bool suspendRequested_ = true;
    bool waitingForName_ = false;
    uint64_t wakes_ = 0;
    std::atomic<bool> terminated_{false};

    TWorkerThread worker_;
};
