#include "Landscape.h"

#include <cmath>

#include "Shapes.h"

namespace {

constexpr int Width = 544;
constexpr int Height = 395;
constexpr float Horizon = 0.615f * Height;   // the lake's far shore
constexpr float SunX = 0.70f * Width;
constexpr float SunY = 0.43f * Height;

struct TColour {
    float R = 0, G = 0, B = 0;
};

TColour Mix(const TColour& a, const TColour& b, float t)
{
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

TColour Sky(float x, float y)
{
    const TColour zenith{0.14f, 0.29f, 0.58f};
    const TColour middle{0.50f, 0.66f, 0.86f};
    const TColour glow{0.99f, 0.80f, 0.60f};
    float t = y / Horizon;
    TColour c = t < 0.55f ? Mix(zenith, middle, SmoothStep(0, 0.55f, t)) : Mix(middle, glow, SmoothStep(0.55f, 1.0f, t));
    float sun = std::hypot((x - SunX) / 1.0f, (y - SunY) * 1.4f);
    float halo = std::exp(-sun / 55.0f) * 0.55f + std::exp(-sun / 12.0f) * 0.5f;
    c = Mix(c, TColour{1.0f, 0.93f, 0.78f}, Clamp01(halo));
    // Thin, wind-drawn clouds catching the evening light.
    float wisp = Fbm(x / 90.0f, y / 22.0f, 5, 7u);
    float cloud = SmoothStep(0.55f, 0.75f, wisp) * SmoothStep(0.1f * Height, 0.25f * Height, y) *
                  (1 - SmoothStep(0.42f * Height, 0.52f * Height, y));
    TColour cloudColour = Mix(TColour{0.98f, 0.86f, 0.82f}, TColour{1.0f, 0.96f, 0.88f}, Clamp01(1 - sun / 200.0f));
    return Mix(c, cloudColour, cloud * 0.8f);
}

float Ridge(float x, float base, float height, float scale, uint32_t seed)
{
    return base - height * Fbm(x / scale, 0.5f, 6, seed);
}

// Sky and mountains above the far shore.
TColour Above(float x, float y)
{
    TColour c = Sky(x, y);
    float far = Ridge(x, Horizon + 4, 0.30f * Height, 170.0f, 3u);
    if (y > far) {
        float haze = SmoothStep(far, far + 60, y);
        TColour rock = Mix(TColour{0.55f, 0.56f, 0.72f}, TColour{0.45f, 0.50f, 0.66f}, haze);
        c = Mix(c, rock, Coverage(far - y + 0.5f) * 0.92f);
    }
    float near = Ridge(x, Horizon + 2, 0.17f * Height, 95.0f, 11u);
    if (y > near) {
        float shade = Fbm(x / 18.0f, y / 18.0f, 4, 19u);
        TColour forest = Mix(TColour{0.16f, 0.27f, 0.30f}, TColour{0.24f, 0.36f, 0.34f}, shade);
        forest = Mix(forest, TColour{0.62f, 0.52f, 0.45f}, 0.25f * std::exp(-std::fabs(x - SunX) / 120.0f));
        c = Mix(c, forest, Coverage(near - y + 0.5f));
    }
    return c;
}

TColour Lake(float x, float y)
{
    float depth = (y - Horizon) / (Height - Horizon);
    float ripple = 2.5f * std::sin(y * 0.9f + 3.0f * Fbm(x / 40.0f, y / 6.0f, 3, 23u)) * depth;
    TColour mirrored = Above(x + ripple, 2 * Horizon - y + 1);
    TColour water = Mix(mirrored, TColour{0.14f, 0.25f, 0.38f}, 0.25f + 0.35f * depth);
    // The sun's path on the water.
    float path = std::exp(-std::pow((x - SunX + ripple * 4) / (10 + 50 * depth), 2.0f));
    float sparkle = SmoothStep(0.6f, 0.8f, Fbm(x / 3.0f, y / 1.2f, 2, 29u));
    return Mix(water, TColour{1.0f, 0.88f, 0.70f}, Clamp01(path * (0.35f + 0.6f * sparkle)));
}

// The meadow in front, with a few firs on its crest.
float Meadow(float x)
{
    float side = std::pow(std::fabs(x / Width - 0.45f) * 2.0f, 1.7f);
    return 0.97f * Height - 0.24f * Height * side - 0.03f * Height * Fbm(x / 60.0f, 2.5f, 4, 31u);
}

float Fir(float x, float y, float baseX, float baseY, float height)
{
    float top = baseY - height;
    if (y < top || y > baseY + 3) {
        return 0;
    }
    float t = (y - top) / height;
    float tier = std::fmod(t * 4.0f, 1.0f);
    float half = height * 0.22f * (0.35f + 0.65f * t) * (0.7f + 0.3f * tier);
    float trunk = std::fabs(x - baseX) < height * 0.03f ? 1.0f : 0.0f;
    return std::max(Coverage(std::fabs(x - baseX) - half), trunk * (y > baseY - 4 ? 1.0f : 0.0f));
}

}

TCanvas DrawLandscape()
{
    TCanvas canvas(Width, Height);
    const float firs[][2] = {{22, 58}, {46, 44}, {70, 36}, {478, 40}, {500, 52}, {524, 34}};
    for (int py = 0; py < Height; ++py) {
        for (int px = 0; px < Width; ++px) {
            float x = float(px) + 0.5f, y = float(py) + 0.5f;
            TColour c = y < Horizon ? Above(x, y) : Lake(x, y);
            float crest = Meadow(x);
            if (y > crest - 1) {
                float light = Fbm(x / 25.0f, y / 12.0f, 5, 37u);
                TColour grass = Mix(TColour{0.30f, 0.45f, 0.18f}, TColour{0.55f, 0.62f, 0.25f}, light);
                grass = Mix(grass, TColour{0.20f, 0.30f, 0.14f}, SmoothStep(crest, Height, y) * 0.6f);
                c = Mix(c, grass, Coverage(crest - y));
            }
            for (const auto& fir : firs) {
                float cover = Fir(x, y, fir[0], Meadow(fir[0]) + 4, fir[1]);
                c = Mix(c, TColour{0.08f, 0.16f, 0.12f}, cover);
            }
            float vignette = 1 - 0.18f * std::pow(std::hypot((x / Width - 0.5f) * 1.2f, y / Height - 0.45f), 2.0f);
            size_t i = canvas.At(px, py);
            canvas.Red[i] = c.R * vignette;
            canvas.Green[i] = c.G * vignette;
            canvas.Blue[i] = c.B * vignette;
            canvas.Alpha[i] = 1;
        }
    }
    return canvas;
}
