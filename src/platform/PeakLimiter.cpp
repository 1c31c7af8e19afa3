#include "platform/PeakLimiter.h"

#include <algorithm>
#include <cmath>

TPeakLimiter::TPeakLimiter(float ceiling, double sampleRate, double releaseSeconds)
    : Ceiling(ceiling)
    , ReleaseStep(static_cast<float>(1.0 - std::exp(-1.0 / (std::max(releaseSeconds, 1e-6) * sampleRate))))
{
}

bool TPeakLimiter::ScaleSteadyBlock(float* interleavedStereo, int frames) const
{
    if (CurrentGain + (1.0f - CurrentGain) * ReleaseStep != CurrentGain)
        return false;
    const int samples = 2 * std::max(frames, 0);
    // Broken samples fail the comparison too. Counted in an int, so the
    // compiler takes several samples per instruction.
    int outside = 0;
    for (int i = 0; i < samples; ++i)
        outside |= std::fabs(interleavedStereo[i]) * CurrentGain <= Ceiling ? 0 : 1;
    if (outside != 0)
        return false;
    if (CurrentGain != 1.0f) {
        for (int i = 0; i < samples; ++i)
            interleavedStereo[i] *= CurrentGain;
    }
    return true;
}

void TPeakLimiter::Process(float* interleavedStereo, int frames)
{
    // Nearly every block of a chime: quiet, the gain at rest.
    if (ScaleSteadyBlock(interleavedStereo, frames))
        return;
    for (int i = 0; i < frames; ++i) {
        float* frame = interleavedStereo + 2 * i;
        CurrentGain += (1.0f - CurrentGain) * ReleaseStep;
        const float peak = std::max(std::fabs(frame[0]), std::fabs(frame[1]));
        // Each channel on its own: the larger of a number and NaN is the number.
        if (!std::isfinite(frame[0]) || !std::isfinite(frame[1])) {
            // A broken sample would poison the gain for good; drop it instead.
            frame[0] = frame[1] = 0.0f;
            continue;
        }
        if (peak * CurrentGain > Ceiling)
            CurrentGain = Ceiling / peak;
        frame[0] *= CurrentGain;
        frame[1] *= CurrentGain;
    }
}
