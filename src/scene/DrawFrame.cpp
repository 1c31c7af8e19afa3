#include "scene/DrawFrame.h"

#include <cstddef>

#include "render/D3DTypes.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DDevice7.h"
#include "render/TDirect3DTexture2.h"
#include "render/TDirectDrawSurface.h"
#include "scene/FrameCounters.h"
#include "scene/FrameGeometry.h"
#include "scene/UBallLink.h"
#include "settings/TBallSettings.h"

namespace {

constexpr uint32_t ClearColor = 0;
constexpr float ClearDepth = 1.0f;
constexpr uint32_t ClearStencil = 0;
// The shadow falls this far right and down whatever the view's scale.
constexpr int32_t ShadowOffsetX = 20;
constexpr int32_t ShadowOffsetY = 30;
constexpr uint32_t ShadowColor = 0x00000000;
constexpr uint32_t OpaqueWhite = 0xFFFFFFFF;
constexpr uint32_t OpaqueAlpha = 0xFF000000;

uint32_t TintColor(const TBallRec& ball)
{
    const auto channel = [](int32_t value) { return static_cast<uint32_t>(value) & 0xFFu; };
    return OpaqueAlpha | channel(ball.Red) << 16 | channel(ball.Green) << 8 | channel(ball.Blue);
}

enum class TBlendStates { Set, Keep };

// Binds the texture, sets the render states and draws the square from its four
// corners in strip order, each showing its corner of the whole texture.
void DrawSquare(TDirect3DDevice7& d3d, TDirect3DTexture2& texture, const TSquareCorners& corners,
                uint32_t color, TBlendStates blend)
{
    d3d.SetTexture(0, &texture);
    d3d.SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, texture.Transparent() ? 1u : 0u);
    if (blend == TBlendStates::Set) {
        d3d.SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1u);
        d3d.SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
        d3d.SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
    std::array<TD3DTLVertex, 4> vertices;
    for (size_t k = 0; k < vertices.size(); ++k) {
        TD3DTLVertex& vertex = vertices[k];
        vertex.sx = static_cast<float>(corners[k].X);
        vertex.sy = static_cast<float>(corners[k].Y);
        vertex.sz = 0.0f;
        vertex.rhw = 1.0f;
        vertex.color = color;
        vertex.specular = 0;
        vertex.tu = (k == 1 || k == 3) ? 1.0f : 0.0f;
        vertex.tv = (k == 2 || k == 3) ? 1.0f : 0.0f;
    }
    d3d.DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, vertices.data(), vertices.size(), D3DDP_WAIT);
}

void DrawBubble(TDirect3DDevice7& d3d, const TFrameSources& sources, int32_t place, int32_t bodyHalf,
                int32_t pictureHalf)
{
    const TBallRec& ball = Balls[place];
    const TTurn turn = BubbleTurn(BallSettings.BubbleStyle, ball.Angle);
    const TSquareCorners body =
        SquareCorners(bodyHalf, turn, ball.X, ball.Y, ViewScale, TCornerRounding::Truncate);

    if (sources.ShadowTexture && BallSettings.ShowShadow)
        DrawSquare(d3d, *sources.ShadowTexture, OffsetCorners(body, ShadowOffsetX, ShadowOffsetY), ShadowColor,
                   TBlendStates::Set);
    if (sources.BallTexture)
        DrawSquare(d3d, *sources.BallTexture, body, TintColor(ball), TBlendStates::Set);

    const TSquareCorners picture = SquareCorners(pictureHalf, turn, ball.X, ball.Y, ViewScale,
                                                 PictureRounding(BallSettings.BubbleStyle));
    if (place <= PictureSlotCount) {
        if (TDirect3DTexture2* pictureTexture = sources.PictureTextures[static_cast<size_t>(place - 1)])
            DrawSquare(d3d, *pictureTexture, picture, OpaqueWhite, TBlendStates::Set);
    }
    // The front reuses the blend states the squares before it left on the device.
    if (sources.FrontTexture)
        DrawSquare(d3d, *sources.FrontTexture, body, OpaqueWhite, TBlendStates::Keep);
}

}

void DrawFrame(TDXDraw& device, const TFrameSources& sources)
{
    if (!device.DeviceReady())
        return;
    TDirect3DDevice7* d3d = device.D3DDevice7();
    if (!d3d)
        return;

    const uint32_t clearFlags = D3DCLEAR_TARGET | ((device.NowOptions() & doZBuffer) ? D3DCLEAR_ZBUFFER : 0u);
    d3d->Clear(TRect{0, 0, device.SurfaceWidth(), device.SurfaceHeight()}, clearFlags, ClearColor, ClearDepth,
               ClearStencil);
    if (sources.BackSurface)
        device.Surface().BltFast(0, 0, *sources.BackSurface, sources.BackSurface->ClientRect(), 0);

    const int32_t bodyHalf = BodySize(BallSettings.SizeFactor, ViewScale) / 2;
    MoveBalls(FrameTimeFactor());

    const int32_t pictureHalf = PictureSize(BallSettings.StyleSize, BallSettings.SizeFactor, ViewScale) / 2;
    for (int32_t place = 1; place <= BallsInUse(); ++place)
        DrawBubble(*d3d, sources, place, bodyHalf, pictureHalf);

    UpdateFrameRate();
    device.PresentFrame();
}
