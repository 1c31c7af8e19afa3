#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// Small drawing helpers for the resource generator. Distances are in pixels;
// signed distances are negative inside a shape.

constexpr float Pi = 3.14159265358979f;

inline float Clamp01(float v)
{
    return std::clamp(v, 0.0f, 1.0f);
}

inline float SmoothStep(float edge0, float edge1, float x)
{
    float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// Share of a pixel inside a shape, from the signed distance at its centre.
inline float Coverage(float signedDistance)
{
    return Clamp01(0.5f - signedDistance);
}

struct TPoint {
    float X = 0;
    float Y = 0;
};

// A closed polygon and the signed distance to its outline.
class TPolygon {
public:
    explicit TPolygon(std::vector<TPoint> points) : points_(std::move(points)) {}

    float SignedDistance(float x, float y) const
    {
        float best = 1e30f;
        bool inside = false;
        size_t n = points_.size();
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            const TPoint& a = points_[j];
            const TPoint& b = points_[i];
            float ex = b.X - a.X, ey = b.Y - a.Y;
            float wx = x - a.X, wy = y - a.Y;
            float t = Clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey));
            float dx = wx - ex * t, dy = wy - ey * t;
            best = std::min(best, dx * dx + dy * dy);
            if ((a.Y > y) != (b.Y > y) && x < a.X + (y - a.Y) * ex / ey) {
                inside = !inside;
            }
        }
        float distance = std::sqrt(best);
        return inside ? -distance : distance;
    }

private:
    std::vector<TPoint> points_;
};

// Rounded rectangle centred at (cx, cy) with half sizes hx, hy and corner radius r.
inline float RoundedBoxDistance(float x, float y, float cx, float cy, float hx, float hy, float r)
{
    float qx = std::fabs(x - cx) - (hx - r);
    float qy = std::fabs(y - cy) - (hy - r);
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
}

// Coverage of an ellipse centred at (cx, cy), turned by angle, with a soft
// edge: 1 inside the core share, falling to 0 at the rim.
inline float SoftEllipse(float x, float y, float cx, float cy, float rx, float ry, float angle, float core)
{
    float c = std::cos(angle), s = std::sin(angle);
    float dx = x - cx, dy = y - cy;
    float u = (dx * c + dy * s) / rx, v = (-dx * s + dy * c) / ry;
    float d = std::sqrt(u * u + v * v);
    return 1 - SmoothStep(core, 1.0f, d);
}

// Deterministic value noise, so that the generated files are the same on
// every run and machine.
inline float Hash(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xFFFFFF) / float(0xFFFFFF);
}

inline float ValueNoise(float x, float y, uint32_t seed)
{
    int32_t ix = int32_t(std::floor(x)), iy = int32_t(std::floor(y));
    float fx = x - float(ix), fy = y - float(iy);
    float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    float a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
    float c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
    return a + (b - a) * sx + (c - a) * sy + (a - b - c + d) * sx * sy;
}

// Fractal noise in 0..1 of a few octaves.
inline float Fbm(float x, float y, int octaves, uint32_t seed)
{
    float sum = 0, amplitude = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * ValueNoise(x, y, seed + uint32_t(i) * 101u);
        total += amplitude;
        x *= 2.03f;
        y *= 2.03f;
        amplitude *= 0.5f;
    }
    return sum / total;
}
