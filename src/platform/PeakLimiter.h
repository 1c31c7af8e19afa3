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
    float Ceiling;
    float ReleaseStep;   // share of the distance to unity gain recovered per frame
    float CurrentGain = 1.0f;
};
