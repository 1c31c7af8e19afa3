// Draws the built-in images: the three bubble styles (body, front, shadow),
// the two picture masks, the background landscape and the program icon.
// Usage: make_resources OUTPUT_FOLDER. Every run writes the same bytes.
#include <cmath>
#include <cstdio>
#include <string>

#include "ImageWriter.h"
#include "Landscape.h"
#include "Shapes.h"

namespace {

constexpr int TextureSize = 256;
constexpr float Centre = 127.5f;
constexpr float SphereRadius = 125.0f;
constexpr float ShadowAlpha = 33.0f / 255.0f;
constexpr float FrameOuterHalf = 126.0f;
constexpr float FrameInnerHalf = 98.5f;    // the picture square of the frame style
constexpr float FrameCorner = 22.0f;
constexpr float MaskInset = 30.0f;
constexpr int IconSize = 256;

// Paints every pixel from a function giving (grey or colour, alpha).
template <typename F>
TCanvas Paint(int size, F pixel)
{
    TCanvas canvas(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float r = 1, g = 1, b = 1, a = 0;
            pixel(float(x) + 0.5f, float(y) + 0.5f, r, g, b, a);
            size_t i = canvas.At(x, y);
            canvas.Red[i] = r;
            canvas.Green[i] = g;
            canvas.Blue[i] = b;
            canvas.Alpha[i] = Clamp01(a);
        }
    }
    return canvas;
}

// The sphere body: a thin film, almost clear in the middle and thickening
// towards the rim, where the light grazes it; a faint inner ring where the
// film's colour bands would be.
void SphereBody(float x, float y, float& r, float& g, float& b, float& a)
{
    float d = std::hypot(x - Centre, y - Centre);
    float t = d / SphereRadius;
    float film = 0.07f + 0.10f * t * t;
    float rim = std::pow(SmoothStep(0.72f, 1.0f, t), 2.2f) * 0.78f;
    float ring = 0.10f * std::exp(-std::pow((t - 0.86f) / 0.025f, 2.0f));
    a = (film + rim + ring) * Coverage(d - SphereRadius);
    r = g = b = 1;
}

// The sphere's reflections: a bright window bent along the sphere up left, a
// small spark beside it, a glint on the rim below right and a thin crescent
// along the upper left edge.
void SphereFront(float x, float y, float& r, float& g, float& b, float& a)
{
    float dx = x - Centre, dy = y - Centre;
    float d = std::hypot(dx, dy);
    float t = d / SphereRadius;
    float angle = std::atan2(dy, dx);   // -3/4 pi points up left
    float fromWindow = std::fabs(angle + 0.75f * Pi);
    float window = (1 - SmoothStep(0.24f, 0.44f, fromWindow)) * SmoothStep(0.47f, 0.60f, t) *
                   (1 - SmoothStep(0.71f, 0.82f, t));
    float spark = SoftEllipse(x, y, Centre - 0.10f * SphereRadius, Centre - 0.70f * SphereRadius,
                              0.05f * SphereRadius, 0.035f * SphereRadius, -0.3f, 0.3f);
    float glint = SoftEllipse(x, y, Centre + 0.52f * SphereRadius, Centre + 0.56f * SphereRadius,
                              0.13f * SphereRadius, 0.05f * SphereRadius, -0.75f, 0.2f);
    float arc = std::exp(-std::pow(fromWindow / 0.6f, 2.0f));
    float crescent = arc * std::exp(-std::pow((t - 0.91f) / 0.03f, 2.0f));
    a = std::max({0.85f * window, 0.95f * spark, 0.6f * glint, 0.55f * crescent}) * Coverage(d - SphereRadius);
    r = g = b = 1;
}

void SphereShadow(float x, float y, float& r, float& g, float& b, float& a)
{
    r = g = b = 0;
    a = ShadowAlpha * Coverage(std::hypot(x - Centre, y - Centre) - SphereRadius);
}

// The classic heart curve, point down, scaled into the texture with a margin.
TPolygon HeartOutline()
{
    constexpr int Steps = 720;
    constexpr float Scale = 7.75f;
    constexpr float Middle = 2.5f;   // halfway between the lobes' top and the point
    std::vector<TPoint> points;
    for (int i = 0; i < Steps; ++i) {
        float t = 2 * Pi * float(i) / Steps;
        float hx = 16 * std::pow(std::sin(t), 3.0f);
        float hy = -(13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t));
        points.push_back({Centre + hx * Scale, Centre + (hy - Middle) * Scale});
    }
    return TPolygon(points);
}

void HeartBody(const TPolygon& heart, float x, float y, float& r, float& g, float& b, float& a)
{
    float s = heart.SignedDistance(x, y);
    float rim = std::pow(SmoothStep(-30.0f, 0.0f, s), 2.2f) * 0.80f;
    a = (0.10f + rim) * Coverage(s);
    r = g = b = 1;
}

void HeartFront(const TPolygon& heart, float x, float y, float& r, float& g, float& b, float& a)
{
    float s = heart.SignedDistance(x, y);
    float lobe = SoftEllipse(x, y, 70, 62, 30, 14, -0.62f, 0.4f);
    float spark = SoftEllipse(x, y, 100, 50, 6, 4.5f, -0.3f, 0.3f);
    float right = SoftEllipse(x, y, 182, 58, 16, 7, 0.55f, 0.3f);
    float edge = std::exp(-std::pow((s + 9) / 3.0f, 2.0f)) * SmoothStep(150, 215, y) * (x > Centre ? 1.0f : 0.0f);
    a = std::max({0.92f * lobe, 0.95f * spark, 0.6f * right, 0.45f * edge}) * Coverage(s);
    r = g = b = 1;
}

void HeartShadow(const TPolygon& heart, float x, float y, float& r, float& g, float& b, float& a)
{
    r = g = b = 0;
    a = ShadowAlpha * 1.2f * Coverage(heart.SignedDistance(x, y));
}

// The frame: solid, with a bevel lit from the upper left on both edges.
void FrameBody(float x, float y, float& r, float& g, float& b, float& a)
{
    float outer = RoundedBoxDistance(x, y, Centre, Centre, FrameOuterHalf, FrameOuterHalf, FrameCorner);
    float inner = RoundedBoxDistance(x, y, Centre, Centre, FrameInnerHalf, FrameInnerHalf, 6.0f);
    a = Coverage(outer) * Coverage(-inner);
    // Light from the upper left: surfaces facing it brighten.
    float nx = x - Centre, ny = y - Centre;
    float facing = -(nx + ny) / (std::hypot(nx, ny) + 1e-3f) / std::sqrt(2.0f);
    float outerBevel = 1 - SmoothStep(0, 8, -outer);
    float innerBevel = 1 - SmoothStep(0, 7, inner);
    float shade = 0.86f + 0.14f * facing * outerBevel - 0.16f * facing * innerBevel;
    float groove = 0.07f * std::exp(-std::pow((-outer - 13.5f) / 1.5f, 2.0f));
    r = g = b = Clamp01(shade - groove);
}

// The pane in front of the picture: a broad diagonal reflection, a thin
// second streak and bright lines where the bevels catch the light.
void FrameFront(float x, float y, float& r, float& g, float& b, float& a)
{
    float outer = RoundedBoxDistance(x, y, Centre, Centre, FrameOuterHalf, FrameOuterHalf, FrameCorner);
    float inner = RoundedBoxDistance(x, y, Centre, Centre, FrameInnerHalf + 1, FrameInnerHalf + 1, 6.0f);
    float diagonal = (x + y) / std::sqrt(2.0f);
    float band = SmoothStep(60, 80, diagonal) * (1 - SmoothStep(118, 150, diagonal)) * 0.30f;
    float streak = std::exp(-std::pow((diagonal - 168) / 5.0f, 2.0f)) * 0.22f;
    float pane = std::max(band, streak) * Coverage(inner);
    float upLeft = Clamp01(-((x - Centre) + (y - Centre)) / 180.0f);
    float edgeLine = std::exp(-std::pow((-outer - 2.5f) / 1.2f, 2.0f)) * upLeft * 0.9f;
    float innerLine = std::exp(-std::pow((inner - 1.5f) / 1.2f, 2.0f)) *
                      Clamp01(((x - Centre) + (y - Centre)) / 180.0f) * 0.7f;
    a = std::max({pane, edgeLine, innerLine}) * Coverage(outer);
    r = g = b = 1;
}

void FrameShadow(float x, float y, float& r, float& g, float& b, float& a)
{
    float outer = RoundedBoxDistance(x, y, Centre, Centre, FrameOuterHalf, FrameOuterHalf, FrameCorner);
    r = g = b = 0;
    a = ShadowAlpha * 1.2f * Coverage(outer);
}

// Mask 1: opaque inside a square inset from every side, fading to clear
// over the border with rounded soft corners.
void SquareMask(float x, float y, float& r, float& g, float& b, float& a)
{
    float half = Centre - MaskInset;
    float d = RoundedBoxDistance(x, y, Centre, Centre, half, half, 0.0f);
    a = 1 - SmoothStep(0.0f, MaskInset - 2.0f, d);
    r = g = b = 1;
}

// Mask 2: a soft cloud-like blob; its opaque part covers 38 % of the square.
float BlobRadius(float angle)
{
    return 1 + 0.11f * std::sin(3 * angle + 0.4f) + 0.07f * std::sin(5 * angle + 1.9f) +
           0.04f * std::sin(8 * angle + 0.7f);
}

constexpr float BlobCore = 86.0f;
constexpr float BlobFeather = 26.0f;

void BlobMask(float x, float y, float& r, float& g, float& b, float& a)
{
    float dx = x - Centre, dy = y - Centre;
    float radius = BlobCore * BlobRadius(std::atan2(dy, dx));
    float d = std::hypot(dx, dy) - radius;
    a = 1 - SmoothStep(0.0f, BlobFeather, d);
    r = g = b = 1;
}

// The program icon: a tinted bubble over a clear square.
void Icon(float x, float y, float& r, float& g, float& b, float& a)
{
    float scale = float(TextureSize) / IconSize;
    float bx = x * scale, by = y * scale;
    float br, bg, bb, ba, fr, fg, fb, fa;
    SphereBody(bx, by, br, bg, bb, ba);
    SphereFront(bx, by, fr, fg, fb, fa);
    float body = Clamp01(ba * 1.6f + 0.12f * Coverage(std::hypot(bx - Centre, by - Centre) - SphereRadius));
    float tintR = 0.35f, tintG = 0.65f, tintB = 1.0f;
    float outA = fa + body * (1 - fa);
    r = (fa + tintR * body * (1 - fa)) / std::max(outA, 1e-4f);
    g = (fa + tintG * body * (1 - fa)) / std::max(outA, 1e-4f);
    b = (fa + tintB * body * (1 - fa)) / std::max(outA, 1e-4f);
    a = outA;
}

}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    std::string out = std::string(argv[1]) + "/";
    TPolygon heart = HeartOutline();
    auto inHeart = [&](auto draw) {
        return [&, draw](float x, float y, float& r, float& g, float& b, float& a) { draw(heart, x, y, r, g, b, a); };
    };
    WritePng(out + "BALL.png", Paint(TextureSize, SphereBody), true);
    WritePng(out + "BALL1.png", Paint(TextureSize, SphereFront), true);
    WritePng(out + "BALL2.png", Paint(TextureSize, SphereShadow), false);
    WritePng(out + "HEART.png", Paint(TextureSize, inHeart(HeartBody)), true);
    WritePng(out + "HEART1.png", Paint(TextureSize, inHeart(HeartFront)), true);
    WritePng(out + "HEART2.png", Paint(TextureSize, inHeart(HeartShadow)), true);
    WritePng(out + "GLASS.png", Paint(TextureSize, FrameBody), false);
    WritePng(out + "GLASS1.png", Paint(TextureSize, FrameFront), false);
    WritePng(out + "GLASS2.png", Paint(TextureSize, FrameShadow), false);
    WritePng(out + "MASK1.png", Paint(TextureSize, SquareMask), false);
    WritePng(out + "MASK2.png", Paint(TextureSize, BlobMask), false);
    WriteJpeg(out + "BACK.jpg", DrawLandscape(), 92);
    WritePng(out + "MAINICON.png", Paint(IconSize, Icon), false);
    return 0;
}
