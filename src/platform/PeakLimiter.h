#pragma once

// Keeps interleaved stereo below a ceiling without clipping: the gain drops at
// once to what the loudest sample of a frame allows, and comes back up slowly,
// so a pile of chime notes gets quieter instead of cracking. Both channels
// share one gain so the stereo image does not wander.
class TPeakLimiter {
public:
    TPeakLimiter(float ceiling, double sampleRate, double releaseSeconds);

    void Process(float* interleavedStereo, int frames);
    float Gain() const { return CurrentGain; }

private:
    // The whole block scaled by the current gain at once, when that is all
    // the frame-by-frame rule would do: the gain no longer moves (unity, or
    // the nearest value below it that the release step can reach) and no
    // sample is broken or loud enough to pull it down. False when the
    // block needs the frame-by-frame rule.
    bool ScaleSteadyBlock(float* interleavedStereo, int frames) const;

    float Ceiling;
    float ReleaseStep;   // share of the distance to unity gain recovered per frame
    float CurrentGain = 1.0f;
};
