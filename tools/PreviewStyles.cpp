// Draws the three bubble styles over the built-in background the way a frame
// draws them (tinted body, picture, front, shadow 20 right and 30 down) and
// writes the result as a PNG, to look at the built-in images as a user sees
// them. Usage: preview_styles OUTPUT.png [PICTURE_FILE]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "ImageWriter.h"
#include "pictures/PrepareTextures.h"

namespace {

constexpr int Width = 1280;
constexpr int Height = 720;
constexpr float BodySize = 182;
constexpr float ShadowDx = 20;
constexpr float ShadowDy = 30;

struct TTint {
    float R, G, B;
};

// Bilinear texel of a bitmap at texture coordinates u, v in 0..1, as straight
// colour and alpha; 24-bit bitmaps are opaque.
void Texel(const TDIB& dib, float u, float v, float& r, float& g, float& b, float& a)
{
    float x = u * float(dib.Width()) - 0.5f, y = v * float(dib.Height()) - 0.5f;
    int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    float fx = x - float(x0), fy = y - float(y0);
    r = g = b = a = 0;
    for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) {
            int sx = std::clamp(x0 + i, 0, dib.Width() - 1), sy = std::clamp(y0 + j, 0, dib.Height() - 1);
            float w = (i ? fx : 1 - fx) * (j ? fy : 1 - fy);
            uint32_t c = dib.GetColor(sx, sy);
            float alpha = dib.BitCount() == 32 ? float(c >> 24) / 255 : 1.0f;
            r += w * float((c >> 16) & 0xFF) / 255;
            g += w * float((c >> 8) & 0xFF) / 255;
            b += w * float(c & 0xFF) / 255;
            a += w * alpha;
        }
    }
}

// A textured square of the given size centred at (cx, cy), turned by angle,
// colour times tint, blended by the texture's alpha.
void DrawSquare(TCanvas& canvas, const TDIB& dib, float cx, float cy, float size, float angle, TTint tint)
{
    if (dib.Empty()) {
        return;
    }
    float c = std::cos(angle), s = std::sin(angle);
    int reach = int(size * 0.75f) + 2;
    for (int y = int(cy) - reach; y <= int(cy) + reach; ++y) {
        for (int x = int(cx) - reach; x <= int(cx) + reach; ++x) {
            if (x < 0 || y < 0 || x >= canvas.Width || y >= canvas.Height) {
                continue;
            }
            float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            float lx = dx * c + dy * s, ly = -dx * s + dy * c;
            float u = lx / size + 0.5f, v = ly / size + 0.5f;
            if (u < 0 || v < 0 || u >= 1 || v >= 1) {
                continue;
            }
            float r, g, b, a;
            Texel(dib, u, v, r, g, b, a);
            size_t i = canvas.At(x, y);
            canvas.Red[i] = r * tint.R * a + canvas.Red[i] * (1 - a);
            canvas.Green[i] = g * tint.G * a + canvas.Green[i] * (1 - a);
            canvas.Blue[i] = b * tint.B * a + canvas.Blue[i] * (1 - a);
        }
    }
}

void DrawBubble(TCanvas& canvas, const TScenePictures& pictures, const TDIB* picture, float pictureSize, float x,
                float y, float angle, TTint tint)
{
    DrawSquare(canvas, pictures.DXDIB3.DIB(), x + ShadowDx, y + ShadowDy, BodySize, angle, {0, 0, 0});
    DrawSquare(canvas, pictures.DXDIB1.DIB(), x, y, BodySize, angle, tint);
    if (picture != nullptr) {
        DrawSquare(canvas, *picture, x, y, pictureSize, angle, {1, 1, 1});
    }
    DrawSquare(canvas, pictures.DXDIB2.DIB(), x, y, BodySize, angle, {1, 1, 1});
}

}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [PICTURE_FILE]\n", argv[0]);
        return 2;
    }
    std::string picture = argc > 2 ? argv[2] : "";
    TCanvas canvas(Width, Height);
    const float pictureSizes[] = {100, 80, 140};
    const TTint tints[] = {{1.0f, 0.55f, 0.45f}, {0.45f, 0.85f, 1.0f}, {0.95f, 0.9f, 0.35f}, {0.6f, 1.0f, 0.55f}};
    for (int style = 0; style < 3; ++style) {
        TBallSettings settings;
        settings.BubbleStyle = style;
        settings.BallPicList = std::make_unique<TStringList>();
        if (!picture.empty()) {
            settings.BallPicList->assign({picture, picture, picture});
        }
        TScenePictures pictures;
        for (int useMask = 0; useMask <= 2; ++useMask) {
            settings.UseMask = useMask;
            pictures = TScenePictures{};
            PreparePictures(pictures, settings, nullptr);
            if (style == 0 && useMask == 0) {
                const TDIB& back = pictures.BackImage;
                for (int y = 0; y < Height; ++y) {
                    for (int x = 0; x < Width; ++x) {
                        float r, g, b, a;
                        Texel(back, (float(x) + 0.5f) / Width, (float(y) + 0.5f) / Height, r, g, b, a);
                        size_t i = canvas.At(x, y);
                        canvas.Red[i] = r;
                        canvas.Green[i] = g;
                        canvas.Blue[i] = b;
                        canvas.Alpha[i] = 1;
                    }
                }
            }
            float x = 180 + 330 * float(useMask) + 60 * float(style % 2);
            float y = 130 + 215 * float(style);
            const TDIB* slot = pictures.PictureDIBs[size_t(useMask + 1)].get();
            DrawBubble(canvas, pictures, slot, pictureSizes[style], x, y, style == 1 ? 0.25f * float(useMask) - 0.2f : 0,
                       tints[(style + useMask) % 4]);
        }
        // One bubble without a picture, as most bubbles of a run have.
        DrawBubble(canvas, pictures, nullptr, pictureSizes[style], 1150 - 40 * float(style % 2), 130 + 215 * float(style),
                   style == 1 ? 0.4f : 0, tints[(style + 3) % 4]);
    }
    WritePng(argv[1], canvas, false);
    return 0;
}
