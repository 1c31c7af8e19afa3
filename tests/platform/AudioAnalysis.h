#pragma once
#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

// Measurements on rendered audio, shared by the synthesizer tests.
namespace AudioAnalysis {

inline float Peak(const std::vector<float>& samples)
{
    float peak = 0.0f;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    return peak;
}

inline double Rms(const std::vector<float>& samples)
{
    double sum = 0.0;
    for (float s : samples)
        sum += static_cast<double>(s) * s;
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

// Left channel of interleaved stereo.
inline std::vector<float> LeftChannel(const std::vector<float>& stereo)
{
    std::vector<float> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = stereo[2 * i];
    return left;
}

inline void Fft(std::vector<std::complex<double>>& a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w(1.0, 0.0);
            for (size_t k = 0; k < len / 2; ++k) {
                const auto u = a[i + k];
                const auto v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

// The fundamental of a pitched sound: a harmonic product spectrum picks the
// bin whose multiples carry energy (so a strong second harmonic is not taken
// for the pitch), then a parabola through the log magnitudes around the
// spectral peak there refines it far below one bin.
inline double FundamentalHz(const std::vector<float>& mono, double sampleRate, double lowHz = 50.0, double highHz = 2000.0)
{
    // Zero-padded eightfold: short frames still get a finely sampled peak.
    size_t n = 1;
    while (n < 8 * mono.size())
        n <<= 1;
    std::vector<std::complex<double>> spectrum(n);
    for (size_t i = 0; i < mono.size(); ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(mono.size() - 1));
        spectrum[i] = mono[i] * hann;
    }
    Fft(spectrum);
    std::vector<double> logMag(n / 2);
    for (size_t k = 0; k < n / 2; ++k)
        logMag[k] = std::log(std::abs(spectrum[k]) + 1e-12);

    const double binHz = sampleRate / static_cast<double>(n);
    const auto lowBin = static_cast<size_t>(lowHz / binHz);
    const auto highBin = std::min(static_cast<size_t>(highHz / binHz), n / 2 / 3 - 1);
    size_t best = lowBin;
    double bestScore = -1e300;
    for (size_t k = lowBin; k <= highBin; ++k) {
        const double score = logMag[k] + logMag[2 * k] + logMag[3 * k];
        if (score > bestScore) {
            bestScore = score;
            best = k;
        }
    }
    // The harmonic product can land a bin or two off the true peak.
    size_t peak = best;
    for (size_t k = best - 2; k <= best + 2; ++k)
        if (logMag[k] > logMag[peak])
            peak = k;
    const double a = logMag[peak - 1], b = logMag[peak], c = logMag[peak + 1];
    const double offset = 0.5 * (a - c) / (a - 2.0 * b + c);
    return (static_cast<double>(peak) + offset) * binHz;
}

// The pitch of a note that may carry vibrato: the median of the pitches of
// short frames. One long spectrum would split a vibrato into sidebands, and
// the strongest of those need not be the centre.
inline double MedianPitchHz(const std::vector<float>& mono, double sampleRate, size_t frameLength = 2048)
{
    std::vector<double> pitches;
    for (size_t start = 0; start + frameLength <= mono.size(); start += frameLength / 4)
        pitches.push_back(FundamentalHz(std::vector<float>(mono.begin() + static_cast<std::ptrdiff_t>(start),
                                            mono.begin() + static_cast<std::ptrdiff_t>(start + frameLength)),
            sampleRate));
    if (pitches.empty())
        return 0.0;
    std::nth_element(pitches.begin(), pitches.begin() + static_cast<std::ptrdiff_t>(pitches.size() / 2), pitches.end());
    return pitches[pitches.size() / 2];
}

// A pure tone, for checking the measurement itself.
inline std::vector<float> Tone(double hz, double sampleRate, size_t count, double amplitude)
{
    std::vector<float> samples(count);
    for (size_t i = 0; i < count; ++i)
        samples[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / sampleRate));
    return samples;
}

}
